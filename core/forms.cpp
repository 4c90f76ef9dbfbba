#include "core/forms.h"

namespace Forms {
std::function<void()> PressMainCommand6;
std::function<void(QWidget*)> ShowImport;
}  // namespace Forms
