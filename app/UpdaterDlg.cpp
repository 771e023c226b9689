#include "app/UpdaterDlg.h"

#include <QtCore/QThread>
#include <QtGui/QContextMenuEvent>
#include <QtGui/QKeyEvent>
#include <QtGui/QScreen>
#include <QtWidgets/QApplication>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenu>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QScrollBar>

#include "app/AboutDlg.h"
#include "app/Resources.h"
#include "link/HidLink.h"
#include "platform/Clock.h"
#include "platform/EventPump.h"
#include "platform/SendGate.h"
#include "ui_IDD_UPDATER_DIALOG.h"

const char* const CUpdaterDlg::kAboutEntry = "&About Orvane Bootloader...";

namespace {

// The log text keeps "\r\n" line ends; the view holds plain "\n" lines. The bytes are taken as
// Latin-1 so that whatever a device sends comes back unchanged from the view.
QString ToView(const std::string& text) {
    QString view = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    view.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return view;
}

std::string FromView(const QString& view) {
    QString text = view;
    text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return text.toLatin1().toStdString();
}

}  // namespace

CUpdaterDlg::CUpdaterDlg(UpdaterDlgSetup setup, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::IDD_UPDATER_DIALOG>()), m_setup(std::move(setup)) {
    // The template names Arial; desktops without it get a metric-compatible face.
    QFont::insertSubstitutions(QStringLiteral("Arial"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                                QStringLiteral("Helvetica"), QStringLiteral("DejaVu Sans")});
    InitConsoleResources();
    m_hIcon.addFile(QStringLiteral(":/orvane/orvane-48.png"));
    m_hIcon.addFile(QStringLiteral(":/orvane/orvane-32.png"));
    m_hIcon.addFile(QStringLiteral(":/orvane/orvane-16.png"));
    ui->setupUi(this);
    OnInitDialog();

    // Probes and version queries pump the calling thread's events while they wait. Only the
    // window's thread has any; elsewhere (Load's helper thread, the worker) the pump does nothing.
    orvane::SetEventPump([] {
        if (QCoreApplication::instance() != nullptr &&
            QThread::currentThread() == QCoreApplication::instance()->thread()) {
            QCoreApplication::processEvents();
        }
    });
}

CUpdaterDlg::~CUpdaterDlg() {
    orvane::SetEventPump({});
    EndRunningWorker();
    ReleaseRefresh();
    if (m_pWorkerThread) {
        m_pWorkerThread->Join();
    }
}

void CUpdaterDlg::OnInitDialog() {
    // A fixed frame without minimise and maximise boxes, in the task bar.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
    m_cmbInterface = ui->IDC_CMB_INTERFACE;

    InstallSystemMenuEntry();
    setWindowIcon(m_hIcon);

    // Character cell height 18 px; Arial's cell is about 1.15 em, so the em is 16 px.
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(16);
    font.setWeight(QFont::Normal);
    m_font = font;
    // The hidden Test button keeps the template's font.
    for (QWidget* w : std::initializer_list<QWidget*>{
             ui->IDC_BTN_LOAD, ui->IDC_BTN_STOP, ui->IDC_LBL_INTERFACE, ui->IDC_LBL_BAUD,
             ui->IDC_LBL_VID, ui->IDC_LBL_PID, ui->IDC_CMB_INTERFACE, ui->IDC_EDT_BAUD,
             ui->IDC_EDT_VID, ui->IDC_EDT_PID, ui->IDC_EDT_LOG}) {
        w->setFont(*m_font);
    }

    m_cmbInterface->setCurrentIndex(0);
    ui->IDC_LBL_VID->hide();
    ui->IDC_LBL_PID->hide();
    ui->IDC_EDT_VID->hide();
    ui->IDC_EDT_PID->hide();
    ui->IDC_EDT_BAUD->setText(QStringLiteral("19200"));
    ui->IDC_BTN_TEST->hide();
    ui->IDC_PRG_DOWNLOAD->setValue(0);
    UpdateData(true);

    connect(ui->IDC_BTN_LOAD, &QPushButton::clicked, this, &CUpdaterDlg::OnButtonLoad);
    connect(m_cmbInterface, &QComboBox::activated, this, &CUpdaterDlg::OnSelchangeInterface);
    // The editable field would take Enter as a selection and switch the interface to whatever
    // item matches the typed text; only a pick from the list switches.
    m_cmbInterface->installEventFilter(this);
    if (QLineEdit* field = m_cmbInterface->lineEdit(); field != nullptr) {
        field->installEventFilter(this);
    }
    connect(ui->IDC_BTN_TEST, &QPushButton::clicked, this, &CUpdaterDlg::OnButtonTest);
    connect(ui->IDC_BTN_STOP, &QPushButton::clicked, this, &CUpdaterDlg::OnButtonStop);
    connect(ui->IDC_EDT_LOG, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_bStoringLog) {
            m_bLogEdited = true;
        }
    });

    ui->IDC_BTN_LOAD->setFocus();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void CUpdaterDlg::InstallSystemMenuEntry() {
    // Where the window system lets a program add to the window's own menu, the entry goes there
    // (SystemMenuWin.cpp). Elsewhere the window manager owns that menu: the entry is offered on
    // the window's context menu (right click on the background) and on F1.
    AppendSystemMenuEntry();
    m_pAboutMenu = new QMenu(this);
    m_pAboutMenu->addAction(QString::fromLatin1(kAboutEntry), this, &CUpdaterDlg::OnAbout);
}

bool CUpdaterDlg::UpdateData(bool bSaveAndValidate) {
    if (bSaveAndValidate) {
        {
            std::lock_guard guard(m_logGuard);
            // An unedited view shows m_strShownLog; a member that extends it holds lines the
            // worker appended that are not shown yet, and keeps them. So does the member while a
            // worker runs or a refresh is on its way: the worker may have cleared the log and
            // started it anew, and the view is then only an older copy.
            const bool pending =
                !m_bLogEdited && (WorkerRunning() || RefreshPending() ||
                                  (m_strLog.size() > m_strShownLog.size() &&
                                   m_strLog.compare(0, m_strShownLog.size(), m_strShownLog) == 0));
            if (!pending) {
                m_strLog = LogFromView();
            }
        }
        m_strBaud = ui->IDC_EDT_BAUD->text();
        m_strPid = ui->IDC_EDT_PID->text();
        m_strVid = ui->IDC_EDT_VID->text();
    } else {
        std::string log;
        {
            std::lock_guard guard(m_logGuard);
            log = m_strLog;
        }
        StoreLogIntoView(log);
        ui->IDC_EDT_BAUD->setText(m_strBaud);
        ui->IDC_EDT_PID->setText(m_strPid);
        ui->IDC_EDT_VID->setText(m_strVid);
    }
    return true;
}

void CUpdaterDlg::StoreLogIntoView(const std::string& log) {
    QPlainTextEdit* view = ui->IDC_EDT_LOG;
    m_bStoringLog = true;
    if (!m_bLogEdited && log.size() >= m_strShownLog.size() &&
        log.compare(0, m_strShownLog.size(), m_strShownLog) == 0 && !m_strShownLog.empty() &&
        m_strShownLog.back() == '\n') {
        // Only new lines: append them instead of setting the whole text again, which would cost
        // time in proportion to the whole log on every line.
        if (log.size() > m_strShownLog.size()) {
            QTextCursor cursor(view->document());
            cursor.movePosition(QTextCursor::End);
            cursor.insertText(ToView(log.substr(m_strShownLog.size())));
        }
        // Setting a text puts the view at its top; so does this path.
        view->verticalScrollBar()->setValue(0);
    } else {
        view->setPlainText(ToView(log));
    }
    m_strShownLog = log;
    m_bLogEdited = false;
    m_bStoringLog = false;
}

std::string CUpdaterDlg::LogFromView() const {
    return FromView(ui->IDC_EDT_LOG->toPlainText());
}

int CUpdaterDlg::CurrentInterfaceIndex() const {
    const int index = m_cmbInterface->currentIndex();
    if (index < 0 || m_cmbInterface->currentText() != m_cmbInterface->itemText(index)) {
        return -1;
    }
    return index;
}

void CUpdaterDlg::OnSelchangeInterface() {
    UpdateData(true);
    switch (CurrentInterfaceIndex()) {
        case 0:
            ui->IDC_LBL_BAUD->show();
            ui->IDC_LBL_VID->hide();
            ui->IDC_LBL_PID->hide();
            ui->IDC_EDT_BAUD->show();
            ui->IDC_EDT_VID->hide();
            ui->IDC_EDT_PID->hide();
            ui->IDC_EDT_BAUD->setText(QStringLiteral("19200"));
            break;
        case 1:
            ui->IDC_LBL_BAUD->hide();
            ui->IDC_LBL_VID->show();
            ui->IDC_LBL_PID->show();
            ui->IDC_EDT_BAUD->hide();
            ui->IDC_EDT_VID->show();
            ui->IDC_EDT_PID->show();
            ui->IDC_EDT_VID->setText(QStringLiteral("0x0ACD"));
            ui->IDC_EDT_PID->setText(QStringLiteral("0x3710"));
            break;
        default:
            break;
    }
}

void CUpdaterDlg::OnLogRefresh() {
    UpdateData(false);
    QScrollBar* bar = ui->IDC_EDT_LOG->verticalScrollBar();
    bar->setValue(bar->maximum());
}

void CUpdaterDlg::LogRefresh() {
    if (QThread::currentThread() == thread()) {
        OnLogRefresh();
        return;
    }
    uint64_t ticket = 0;
    {
        std::lock_guard lock(m_refreshMutex);
        if (m_bRefreshReleased) {
            return;
        }
        ticket = ++m_nRefreshPosted;
    }
    // Queued to the window's thread; Qt drops the call if the window is destroyed first, and
    // the destructor releases the wait before that.
    QMetaObject::invokeMethod(
        this,
        [this, ticket] {
            OnLogRefresh();
            {
                std::lock_guard lock(m_refreshMutex);
                m_nRefreshShown = std::max(m_nRefreshShown, ticket);
            }
            m_refreshDone.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(m_refreshMutex);
    m_refreshDone.wait(lock, [&] { return m_nRefreshShown >= ticket || m_bRefreshReleased; });
}

bool CUpdaterDlg::RefreshPending() {
    std::lock_guard lock(m_refreshMutex);
    return m_nRefreshShown < m_nRefreshPosted;
}

void CUpdaterDlg::ReleaseRefresh() {
    {
        std::lock_guard lock(m_refreshMutex);
        m_bRefreshReleased = true;
    }
    m_refreshDone.notify_all();
}

bool CUpdaterDlg::WorkerRunning() const {
    return m_pWorkerThread && m_pWorkerThread->Running();
}

void CUpdaterDlg::EndRunningWorker() {
    if (!WorkerRunning()) {
        return;
    }
    {
        // Under the guard so that no line can be appended once the stop is set.
        std::lock_guard guard(m_logGuard);
        orvane::RequestStopAndDrain();
    }
    // The worker may be waiting for a refresh; it must not wait for a window that may now
    // wait for it.
    ReleaseRefresh();
}

void CUpdaterDlg::OnButtonStop() {
    EndRunningWorker();
    if (!m_bLoading) {
        ui->IDC_BTN_LOAD->setEnabled(true);
    }
}

void CUpdaterDlg::OnButtonTest() {
    uint8_t message[CHidLink::kMessageMax] = {};
    uint32_t count = 0;
    g_hidLink.ReadMessage(message, &count, sizeof(message));
}

void CUpdaterDlg::accept() {
    // OnOK
    m_font.reset();
    EndRunningWorker();
    if (m_bLoading) {
        orvane::Clock().RequestStop();  // cut the scan or probe short; the program is ending
    }
    m_bClosing = true;
    UpdateData(true);
    QDialog::accept();
}

void CUpdaterDlg::reject() {
    // OnCancel: Escape, the close box and the window menu's Close.
    m_font.reset();
    EndRunningWorker();
    if (m_bLoading) {
        orvane::Clock().RequestStop();
    }
    m_bClosing = true;
    QDialog::reject();
}

void CUpdaterDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        OnAbout();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Enter presses a focused push button and is otherwise ignored: in a field it would
        // end the window and a running download with it.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button != nullptr) {
            if (button->isEnabled() && button->isVisible()) {
                button->click();
            }
        }
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool CUpdaterDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress &&
        (watched == m_cmbInterface || watched == m_cmbInterface->lineEdit())) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            event->accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CUpdaterDlg::contextMenuEvent(QContextMenuEvent* event) {
    m_pAboutMenu->popup(event->globalPos());
    event->accept();
}

void CUpdaterDlg::OnAbout() {
    CAboutDlg about(this);
    about.exec();
}
