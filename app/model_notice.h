#pragma once

#include "app/app_context.h"

#include <QFrame>

class QLabel;
class QPushButton;

namespace tandrel {

// The record workspace's notice while the follower hears a script through a
// model of another language and the catalogue has one for the script's
// language: says so and offers to download it. Nothing is downloaded
// without a click. While the download runs it shows its progress and can
// cancel it; a failure stays readable until the next try.
class ModelNotice : public QFrame
{
    Q_OBJECT
public:
    explicit ModelNotice(AppContext context, QWidget *parent = nullptr);

    QLabel *text() const { return m_text; }
    QPushButton *downloadButton() const { return m_download; }
    QPushButton *cancelButton() const { return m_cancel; }

private:
    void sync();

    AppContext m_context;
    QLabel *m_text = nullptr;
    QLabel *m_detail = nullptr;
    QPushButton *m_download = nullptr;
    QPushButton *m_cancel = nullptr;
    QString m_failure;
};

} // namespace tandrel
