#pragma once

class QApplication;

namespace tandrel {

// Before the QApplication exists: file dialogs through the desktop portal
// where Qt has its portal theme, which keeps the desktop's own theme for
// everything else. An explicit QT_QPA_PLATFORMTHEME wins.
void preferPortalFileDialogs();

// A dark desktop (the portal's colour-scheme preference, or a GTK theme
// named dark) gets a dark palette when the platform theme did not already
// give one; a KDE colour scheme arrives through the platform theme itself.
void followDesktopColorScheme(QApplication &app);

// The dark palette used for a dark desktop (Fusion draws from it throughout).
void applyDarkPalette(QApplication &app);

} // namespace tandrel
