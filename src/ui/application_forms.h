#pragma once
// The windows the application owns, in creation order: the ones the
// language switch translates together. The application registers them
// (src/app/forms.cpp); windows never reach each other through this list.

#include <QWidget>

#include <vector>

namespace ostrel {

const std::vector<QWidget*>& applicationForms();
void registerApplicationForm(QWidget* form);

}  // namespace ostrel
