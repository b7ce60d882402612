#include "platform/shared/loaded_forms.h"

#include <vector>

namespace platform {

namespace {
std::vector<FormImpl*>& loadedForms() {
    static std::vector<FormImpl*> forms;
    return forms;
}
}  // namespace

void formLoaded(FormImpl& form) {
    loadedForms().push_back(&form);
}

bool lastFormGone(FormImpl& form) {
    return std::erase(loadedForms(), &form) && loadedForms().empty();
}

FormImpl* mainForm() {
    return loadedForms().empty() ? nullptr : loadedForms().front();
}

}  // namespace platform
