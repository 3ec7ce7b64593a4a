#pragma once

#include <QWidget>

namespace tandrel {

// What the detail area shows while no reel is selected.
class EmptyPage : public QWidget
{
    Q_OBJECT
public:
    explicit EmptyPage(QWidget *parent = nullptr);

signals:
    void createReelRequested();
    void importRequested();
};

} // namespace tandrel
