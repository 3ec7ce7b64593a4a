#include "app/editor_texts.h"

#include <QCoreApplication>

namespace tandrel {

QString exportButtonText(Editor editor)
{
    return QCoreApplication::translate("tandrel::EditorTexts", "Für %1 exportieren")
            .arg(EditorChoice::name(editor));
}

QString projectText(Editor editor)
{
    switch (editor) {
    case Editor::finalCut:
        return QCoreApplication::translate("tandrel::EditorTexts", "Final-Cut-Projekt");
    case Editor::kdenlive:
        return QCoreApplication::translate("tandrel::EditorTexts", "Kdenlive-Projekt");
    case Editor::shotcut:
        return QCoreApplication::translate("tandrel::EditorTexts", "Shotcut-Projekt");
    }
    return EditorChoice::projectLabel(editor);
}

} // namespace tandrel
