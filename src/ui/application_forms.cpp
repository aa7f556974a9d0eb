#include "ui/application_forms.h"

#include <algorithm>

namespace ostrel {

namespace {
std::vector<QWidget*> g_forms;
}

const std::vector<QWidget*>& applicationForms() { return g_forms; }

void registerApplicationForm(QWidget* form) {
    g_forms.push_back(form);
    QObject::connect(form, &QObject::destroyed,
                     [form] { g_forms.erase(std::remove(g_forms.begin(), g_forms.end(), form), g_forms.end()); });
}

}  // namespace ostrel
