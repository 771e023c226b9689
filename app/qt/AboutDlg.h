#pragma once

#include <QtWidgets/QDialog>

#include <memory>

namespace Ui {
class IDD_ABOUTBOX;
}

// The about box: icon, version line, a second line and OK, which ends it.
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;

private:
    std::unique_ptr<Ui::IDD_ABOUTBOX> ui;
};
