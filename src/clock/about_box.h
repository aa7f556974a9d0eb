#pragma once
// The about box: product name and version.

#include <QDialog>
#include <QLabel>
#include <QPushButton>

namespace ostrel {

class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget* parent = nullptr);

private:
    QLabel* lbProductName = nullptr;
    QLabel* lbVersionTitle = nullptr;
    QLabel* lbVersion = nullptr;
    QPushButton* btnOK = nullptr;
};

}  // namespace ostrel
