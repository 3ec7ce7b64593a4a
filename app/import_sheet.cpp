#include "app/import_sheet.h"

#include "app/file_error_text.h"
#include "app/library_error_text.h"
#include "app/ui_style.h"
#include "library/library_store.h"
#include "platform/text_file.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tandrel {

ImportSheet::ImportSheet(LibraryStore &library, const QString &text, QWidget *parent)
    : QDialog(parent), m_library(library)
{
    setWindowTitle(tr("Markdown importieren"));
    setWindowModality(Qt::WindowModal);

    auto *title = ui::label(tr("Markdown importieren"), ui::TextRole::Title2, true);
    auto *help = ui::label(tr("Blöcke mit --- trennen. Überschrift `# 012 Titel` setzt Nummer und "
                              "Namen, der Rest ist Teleprompter-Text. Existierende Nummern werden "
                              "aktualisiert."),
                           ui::TextRole::Body, false, true);
    help->setWordWrap(true);

    m_editor = new QPlainTextEdit(this);
    m_editor->setObjectName(QStringLiteral("importEditor"));
    m_editor->setFont(ui::font(ui::TextRole::Monospaced));
    m_editor->setMinimumSize(640, 360);
    m_editor->setPlainText(text);

    auto *open = new QPushButton(tr("Datei öffnen…"), this);
    open->setAutoDefault(false);
    auto *cancel = new QPushButton(tr("Abbrechen"), this);
    cancel->setAutoDefault(false);
    m_import = new QPushButton(tr("Importieren"), this);
    m_import->setDefault(true);
    connect(open, &QPushButton::clicked, this, &ImportSheet::chooseFile);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_import, &QPushButton::clicked, this, &ImportSheet::importText);
    connect(m_editor, &QPlainTextEdit::textChanged, this, &ImportSheet::updateImportEnabled);

    m_fileError = ui::label(QString(), ui::TextRole::Body, false, true);
    m_fileError->setObjectName(QStringLiteral("importFileError"));
    m_fileError->setWordWrap(true);
    m_fileError->setStyleSheet(QStringLiteral("color: #c62828;"));
    m_fileError->hide();

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(open);
    buttons->addStretch();
    buttons->addWidget(cancel);
    buttons->addWidget(m_import);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(12);
    column->addWidget(title);
    column->addWidget(help);
    column->addWidget(m_editor, 1);
    column->addWidget(m_fileError);
    column->addLayout(buttons);
    updateImportEnabled();
}

QString ImportSheet::text() const
{
    return m_editor->toPlainText();
}

void ImportSheet::updateImportEnabled()
{
    m_import->setEnabled(!text().trimmed().isEmpty());
}

void ImportSheet::chooseFile()
{
    QFileDialog panel(this, tr("Datei öffnen…"));
    panel.setObjectName(QStringLiteral("importFilePanel"));
    panel.setFileMode(QFileDialog::ExistingFile);
    panel.setNameFilters({tr("Text und Markdown (*.md *.markdown *.txt *.text)"), tr("Alle Dateien (*)")});
    if (panel.exec() != QDialog::Accepted || panel.selectedFiles().isEmpty())
        return;
    loadFile(panel.selectedFiles().constFirst());
}

bool ImportSheet::loadFile(const QString &path)
{
    auto refuse = [this](const QString &why) {
        m_fileError->setText(why);
        m_fileError->show();
        return false;
    };
    const Result<QString, TextFileFailure> content = readTextFile(path);
    if (!content && content.error().kind == TextFileFailure::Kind::notUtf8)
        return refuse(tr("Die Datei ist kein UTF-8-Text."));
    if (!content)
        return refuse(
                tr("Die Datei konnte nicht gelesen werden: %1").arg(fileErrorText(content.error().cause)));
    m_fileError->clear();
    m_fileError->hide();
    m_editor->setPlainText(*content);
    return true;
}

QString ImportSheet::fileError() const
{
    return m_fileError->text();
}

void ImportSheet::importText()
{
    if (text().trimmed().isEmpty())
        return;
    const LibraryOutcome<int> imported = m_library.importMarkdown(text());
    if (imported)
        m_importedCount = imported.value();
    else
        m_importError = libraryErrorText(imported.error());
    accept();
}

} // namespace tandrel
