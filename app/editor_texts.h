#pragma once

#include "export/editor_choice.h"

#include <QString>

namespace tandrel {

// The export's words in the interface's language: "Für Kdenlive exportieren",
// "Kdenlive-Projekt". Editors keep their own names.
QString exportButtonText(Editor editor);
QString projectText(Editor editor);

} // namespace tandrel
