#include "core/forms.h"

namespace Forms {
std::function<void()> PressMainCommand6;
std::function<void()> ShowSettings;
std::function<void(QWidget*)> ShowImport;
std::function<void()> ShowWelcome;
std::function<void()> CloseImport;
std::function<bool()> WelcomeOpen;
}  // namespace Forms
