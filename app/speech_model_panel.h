#pragma once

#include "app/app_context.h"
#include "speech/model_download.h"

#include <QHash>
#include <QWidget>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

namespace tandrel {

class SpeechModels;

// The settings' "Spracherkennung" section: the language scripts are written
// in, the installed speech models (with a button to remove those installed
// for this user) and the catalogue's models of other languages, each with a
// download that shows its progress and can be cancelled.
class SpeechModelPanel : public QWidget
{
    Q_OBJECT
public:
    explicit SpeechModelPanel(AppContext context, QWidget *parent = nullptr);

    QComboBox *languageBox() const { return m_language; }
    // The row of a catalogue model ("de-DE") and its parts, for tests.
    QPushButton *downloadButton(const QString &locale) const;
    QPushButton *cancelButton(const QString &locale) const;
    QProgressBar *progressBar(const QString &locale) const;
    QLabel *progressLabel(const QString &locale) const;
    QLabel *failureLabel(const QString &locale) const;
    // The "Entfernen" button of an installed model, by its folder.
    QPushButton *removeButton(const QString &folder) const;

private:
    struct OfferRow
    {
        QPushButton *download = nullptr;
        QPushButton *cancel = nullptr;
        QProgressBar *bar = nullptr;
        QLabel *progress = nullptr;
        QLabel *failure = nullptr;
    };

    void rebuild();
    void showProgress(const QString &locale);
    void downloadFinished(const QString &locale, ModelDownloadFailure failure, const ModelProblem &detail);

    AppContext m_context;
    QComboBox *m_language = nullptr;
    QVBoxLayout *m_rows = nullptr;
    QWidget *m_rowsWidget = nullptr;
    QHash<QString, OfferRow> m_offers;
    QHash<QString, QPushButton *> m_remove;
    QHash<QString, QString> m_failures; // by locale: the last download's failure, until the next one
};

} // namespace tandrel
