#pragma once

#include <QDialog>
#include <optional>

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

    // Replaces the text by the file's content; a file that is not UTF-8 (or
    // cannot be read) leaves the text as it was. Returns whether it replaced it.
    bool loadFile(const QString &path);

    QPlainTextEdit *editor() const { return m_editor; }
    QPushButton *importButton() const { return m_import; }

private:
    void chooseFile();
    void importText();
    void updateImportEnabled();

    LibraryStore &m_library;
    QPlainTextEdit *m_editor = nullptr;
    QPushButton *m_import = nullptr;
    std::optional<int> m_importedCount;
};

} // namespace tandrel
