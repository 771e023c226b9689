#include "app/qt/AboutDlg.h"

#include "app/qt/Resources.h"
#include "ui_IDD_ABOUTBOX.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::IDD_ABOUTBOX>()) {
    InitConsoleResources();
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
}

CAboutDlg::~CAboutDlg() = default;
