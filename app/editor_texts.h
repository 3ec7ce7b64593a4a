#pragma once

#include "export/editor_choice.h"
#include "export/editor_export.h"
#include "export/export_error.h"

#include <QString>

namespace tandrel {

// The export's words in the interface's language: "Für Kdenlive exportieren",
// "Kdenlive-Projekt". Editors keep their own names.
QString exportButtonText(Editor editor);
QString projectText(Editor editor);

// Why a reel was not exported ("Für dieses Reel gibt es noch keine Aufnahme.").
QString exportFailureText(const ExportFailure &failure);
template<typename T> QString exportFailureText(const ExportResult<T> &result)
{
    return result.failure() ? exportFailureText(*result.failure()) : QString();
}

// The status line after EditorExport::exportAndOpen: the file and where it
// lies. The record workspace's Final Cut note (`brief`) names the bundle only.
QString exportStatusText(Editor editor, const EditorExport::Outcome &outcome, bool brief);

} // namespace tandrel
