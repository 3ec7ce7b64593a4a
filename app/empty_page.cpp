#include "app/empty_page.h"

#include "app/symbols.h"
#include "app/ui_style.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tandrel {

EmptyPage::EmptyPage(QWidget *parent) : QWidget(parent)
{
    auto *icon = new QLabel(this);
    icon->setPixmap(symbolPixmap(Symbol::ReelBadge, ui::accentColor(), 48));
    icon->setAlignment(Qt::AlignCenter);

    auto *title = ui::label(tr("Noch keine Reels"), ui::TextRole::Title2, true);
    title->setAlignment(Qt::AlignCenter);
    auto *text = ui::label(tr("Lege ein Reel an oder importiere eine Markdown-Datei mit mehreren Projekten."),
                           ui::TextRole::Body, false, true);
    text->setAlignment(Qt::AlignCenter);
    text->setWordWrap(true);

    auto *create = new QPushButton(tr("Neues Reel"), this);
    auto *import = new QPushButton(tr("Markdown importieren"), this);
    connect(create, &QPushButton::clicked, this, &EmptyPage::createReelRequested);
    connect(import, &QPushButton::clicked, this, &EmptyPage::importRequested);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(create);
    buttons->addWidget(import);
    buttons->addStretch();

    auto *column = new QVBoxLayout(this);
    column->setSpacing(16);
    column->addStretch();
    column->addWidget(icon);
    column->addWidget(title);
    column->addWidget(text);
    column->addLayout(buttons);
    column->addStretch();
}

} // namespace tandrel
