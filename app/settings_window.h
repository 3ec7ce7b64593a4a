#pragma once

#include "app/app_context.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <optional>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;

namespace tandrel {

class SpeechModelPanel;

// Shows the library folder and lets the user choose another one or open it in
// the file manager. There is at most one settings window; closing it forgets
// it, so the next opening builds a fresh one.
class SettingsWindow : public QWidget
{
    Q_OBJECT
public:
    // Brings the remembered window to the front, or builds and shows a new one.
    static SettingsWindow *open(AppContext context);
    // The open settings window, if any.
    static SettingsWindow *current();

    std::optional<QString> errorText() const { return m_errorText; }
    void setErrorText(std::optional<QString> text);

    // The action of "Ordner wählen…": asks for a folder and switches the
    // library to it. `chooseFolder` gives the chosen folder or none on cancel.
    void chooseLibraryFolder();
    // Switches to `folder` as if the user had chosen it in the panel.
    void applyChosenFolder(const QString &folder);

    QLineEdit *pathField() const { return m_path; }
    QPushButton *chooseButton() const { return m_choose; }
    QLabel *footnote() const { return m_footnote; }
    QMessageBox *alert() const { return m_alert; }
    QComboBox *editorBox() const { return m_editor; }
    QDoubleSpinBox *pauseThresholdBox() const { return m_pauseThreshold; }
    QComboBox *languageBox() const { return m_language; }
    SpeechModelPanel *modelPanel() const { return m_models; }

private:
    explicit SettingsWindow(AppContext context);
    void updateFromState();
    void showRootFolder();
    QLayout *editorChoice();
    QLayout *pauseThresholdChoice();
    QLayout *languageChoice();

    AppContext m_context;
    QLineEdit *m_path = nullptr;
    QPushButton *m_choose = nullptr;
    QLabel *m_footnote = nullptr;
    QComboBox *m_editor = nullptr;
    QDoubleSpinBox *m_pauseThreshold = nullptr;
    QComboBox *m_language = nullptr;
    SpeechModelPanel *m_models = nullptr;
    QPointer<QMessageBox> m_alert;
    std::optional<QString> m_errorText;
};

} // namespace tandrel
