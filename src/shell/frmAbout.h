#pragma once
// The About window: title, version, copyright with the translator's credit, the legal
// notice, and a button to the maker's update page.

#include <QDialog>

class QLabel;
class QPushButton;

namespace pellvane {

class frmAbout : public QDialog {
    Q_OBJECT

  public:
    explicit frmAbout(QWidget* parent = nullptr);

  private:
    void ApplyTexts();

    QLabel* lblTitle_ = nullptr;
    QLabel* lblVersion_ = nullptr;
    QLabel* lblCopyright_ = nullptr;
    QLabel* lblDisclaimer_ = nullptr;
    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdUpdate_ = nullptr;
};

} // namespace pellvane
