#pragma once

#include <QDialog>
#include <optional>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace tandrel {

class LibraryStore;

// The sheet over the main window in which Markdown with the scripts of several
// reels is pasted or loaded and imported in one step.
class ImportSheet : public QDialog
{
    Q_OBJECT
public:
    ImportSheet(LibraryStore &library, const QString &text, QWidget *parent = nullptr);

    QString text() const;
    // The number of blocks of the import made from this sheet; none after a cancel.
    std::optional<int> importedCount() const { return m_importedCount; }
    // Why the import made from this sheet failed.
    std::optional<QString> importError() const { return m_importError; }

    // Replaces the text by the file's content; a file that is not UTF-8 (or
    // cannot be read) leaves the text as it was and the sheet says why.
    // Returns whether it replaced it.
    bool loadFile(const QString &path);
    // Why the last file could not be loaded; empty when it was.
    QString fileError() const;

    QPlainTextEdit *editor() const { return m_editor; }
    QPushButton *importButton() const { return m_import; }

private:
    void chooseFile();
    void importText();
    void updateImportEnabled();

    LibraryStore &m_library;
    QPlainTextEdit *m_editor = nullptr;
    QPushButton *m_import = nullptr;
    QLabel *m_fileError = nullptr;
    std::optional<int> m_importedCount;
    std::optional<QString> m_importError;
};

} // namespace tandrel
