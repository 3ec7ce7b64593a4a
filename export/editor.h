#pragma once

namespace tandrel {

// The editing programs a reel's cut can be exported for.
enum class Editor {
    finalCut, // an FCPXML bundle
    kdenlive, // a ".kdenlive" project
    shotcut, // a ".mlt" project
};

} // namespace tandrel
