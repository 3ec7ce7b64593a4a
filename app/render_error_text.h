#pragma once

#include "render/render_error.h"

#include <QString>

namespace tandrel {

// Why a finished reel was not made, in the interface's language; `detail`
// names the file or folder concerned.
QString renderErrorText(RenderError error, const QString &detail = {});

template<typename T> QString renderErrorText(const RenderResult<T> &result)
{
    return result.error() ? renderErrorText(*result.error(), result.errorDetail()) : QString();
}

} // namespace tandrel
