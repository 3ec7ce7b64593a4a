#pragma once

#include <functional>

class QKeyEvent;

namespace tandrel {

class TeleprompterState;

// What a key does in the teleprompter.
enum class TeleprompterKeyAction { none, toggleScrolling, enlargeFont, shrinkFont, resetFollow, dismiss };

// Space or Return: pause or resume; "+" or "=": larger; "-" or "_": smaller;
// "0": back to the first word; Escape: close. Keypad keys count the same.
// Keys held with Ctrl, Alt or Meta belong to the application's shortcuts.
TeleprompterKeyAction teleprompterKeyAction(const QKeyEvent &event);

// Carries out an action of the application-wide key handling. Font sizes go
// in steps of 4 between 24 and 120 and are persisted by the state.
void applyTeleprompterKey(TeleprompterKeyAction action, TeleprompterState &state,
                          const std::function<void()> &dismiss);

double enlargedFontSize(double fontSize);
double shrunkFontSize(double fontSize);

} // namespace tandrel
