#include "app/qt/QtUpdaterWindow.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QEvent>
#include <QtCore/QEventLoop>
#include <QtCore/QPointer>
#include <QtCore/QThread>
#include <QtGui/QContextMenuEvent>
#include <QtGui/QKeyEvent>
#include <QtGui/QScreen>
#include <QtWidgets/QApplication>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenu>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QScrollBar>

#include <thread>

#include "app/console/Resource.h"
#include "app/qt/AboutDlg.h"
#include "app/qt/FileChooser.h"
#include "app/qt/Resources.h"
#include "ui_IDD_UPDATER_DIALOG.h"

namespace orvane {

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

// The wake-up for calls waiting in the window's queue.
const QEvent::Type kPostedCallsEvent = static_cast<QEvent::Type>(QEvent::User + 1);

}  // namespace

QtUpdaterWindow::QtUpdaterWindow(UpdaterDlgSetup setup, QWidget* parent)
    : QDialog(parent),
      ui(std::make_unique<Ui::IDD_UPDATER_DIALOG>()),
      m_dlg(*this, std::move(setup)) {
    // The template names Arial; desktops without it get a metric-compatible face.
    QFont::insertSubstitutions(QStringLiteral("Arial"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                                QStringLiteral("Helvetica"), QStringLiteral("DejaVu Sans")});
    InitConsoleResources();
    m_hIcon.addFile(QStringLiteral(":/orvane/orvane-48.png"));
    m_hIcon.addFile(QStringLiteral(":/orvane/orvane-32.png"));
    m_hIcon.addFile(QStringLiteral(":/orvane/orvane-16.png"));
    ui->setupUi(this);
    m_items = {{IDC_BTN_LOAD, ui->IDC_BTN_LOAD},         {IDC_CMB_INTERFACE, ui->IDC_CMB_INTERFACE},
               {IDC_EDT_BAUD, ui->IDC_EDT_BAUD},         {IDC_EDT_VID, ui->IDC_EDT_VID},
               {IDC_EDT_PID, ui->IDC_EDT_PID},           {IDC_LBL_INTERFACE, ui->IDC_LBL_INTERFACE},
               {IDC_LBL_BAUD, ui->IDC_LBL_BAUD},         {IDC_LBL_VID, ui->IDC_LBL_VID},
               {IDC_LBL_PID, ui->IDC_LBL_PID},           {IDC_BTN_STOP, ui->IDC_BTN_STOP},
               {IDC_EDT_LOG, ui->IDC_EDT_LOG},           {IDC_BTN_TEST, ui->IDC_BTN_TEST},
               {IDC_PRG_DOWNLOAD, ui->IDC_PRG_DOWNLOAD}, {IDC_STATUS, ui->IDC_STATUS}};

    // A fixed frame without minimise and maximise boxes, in the task bar.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());

    m_dlg.OnInitDialog();

    connect(ui->IDC_BTN_LOAD, &QPushButton::clicked, this, [this] { m_dlg.OnButtonLoad(); });
    connect(ui->IDC_CMB_INTERFACE, &QComboBox::activated, this,
            [this] { m_dlg.OnSelchangeInterface(); });
    // The editable field would take Enter as a selection and switch the interface to whatever
    // item matches the typed text; only a pick from the list switches.
    ui->IDC_CMB_INTERFACE->installEventFilter(this);
    if (QLineEdit* field = ui->IDC_CMB_INTERFACE->lineEdit(); field != nullptr) {
        field->installEventFilter(this);
    }
    connect(ui->IDC_BTN_TEST, &QPushButton::clicked, this, [this] { m_dlg.OnButtonTest(); });
    connect(ui->IDC_BTN_STOP, &QPushButton::clicked, this, [this] { m_dlg.OnButtonStop(); });
    connect(ui->IDC_EDT_LOG, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_bSettingLog) {
            m_bViewChanged = true;
            m_dlg.OnEditChangeLog();
        }
    });

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

QtUpdaterWindow::~QtUpdaterWindow() {
    m_dlg.OnDestroy();
}

QWidget* QtUpdaterWindow::Item(int id) const {
    const auto it = m_items.find(id);
    return it != m_items.end() ? it->second : nullptr;
}

std::string QtUpdaterWindow::GetItemText(int id) {
    QWidget* w = Item(id);
    if (auto* log = qobject_cast<QPlainTextEdit*>(w)) {
        return FromView(log->toPlainText());
    }
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        return edit->text().toLatin1().toStdString();
    }
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        return combo->currentText().toLatin1().toStdString();
    }
    if (auto* label = qobject_cast<QLabel*>(w)) {
        return label->text().toLatin1().toStdString();
    }
    if (auto* button = qobject_cast<QPushButton*>(w)) {
        return button->text().toLatin1().toStdString();
    }
    return {};
}

void QtUpdaterWindow::SetItemText(int id, const std::string& text) {
    QWidget* w = Item(id);
    if (auto* log = qobject_cast<QPlainTextEdit*>(w)) {
        m_bSettingLog = true;
        if (!m_bViewChanged && text.size() >= m_strViewLog.size() &&
            text.compare(0, m_strViewLog.size(), m_strViewLog) == 0 && !m_strViewLog.empty() &&
            m_strViewLog.back() == '\n') {
            // Only new lines: appending them costs the new text, setting the whole text again
            // would cost the whole log on every line.
            if (text.size() > m_strViewLog.size()) {
                QTextCursor cursor(log->document());
                cursor.movePosition(QTextCursor::End);
                cursor.insertText(ToView(text.substr(m_strViewLog.size())));
            }
            // Setting a text puts the view at its top; so does this path.
            log->verticalScrollBar()->setValue(0);
        } else {
            log->setPlainText(ToView(text));
        }
        m_strViewLog = text;
        m_bViewChanged = false;
        m_bSettingLog = false;
        return;
    }
    const QString value = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->setText(value);
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        combo->setEditText(value);
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setText(value);
    } else if (auto* button = qobject_cast<QPushButton*>(w)) {
        button->setText(value);
    }
}

void QtUpdaterWindow::ShowDlgItem(int id, bool show) {
    if (QWidget* w = Item(id)) {
        w->setVisible(show);
    }
}

void QtUpdaterWindow::EnableDlgItem(int id, bool enable) {
    if (QWidget* w = Item(id)) {
        w->setEnabled(enable);
    }
}

void QtUpdaterWindow::SetFocusDlgItem(int id) {
    if (QWidget* w = Item(id)) {
        w->setFocus();
    }
}

int QtUpdaterWindow::GetCurSel(int id) {
    auto* combo = qobject_cast<QComboBox*>(Item(id));
    if (combo == nullptr) {
        return -1;
    }
    // A text typed into the field that is not the selected item's leaves no item selected.
    const int index = combo->currentIndex();
    if (index < 0 || combo->currentText() != combo->itemText(index)) {
        return -1;
    }
    return index;
}

void QtUpdaterWindow::SetCurSel(int id, int index) {
    if (auto* combo = qobject_cast<QComboBox*>(Item(id))) {
        combo->setCurrentIndex(index);
    }
}

int QtUpdaterWindow::GetLineCount(int id) {
    auto* log = qobject_cast<QPlainTextEdit*>(Item(id));
    return log != nullptr ? log->document()->blockCount() : 1;
}

void QtUpdaterWindow::LineScroll(int id, int lines) {
    // The view's scroll bar counts lines; it stops at its maximum.
    if (auto* log = qobject_cast<QPlainTextEdit*>(Item(id))) {
        QScrollBar* bar = log->verticalScrollBar();
        bar->setValue(std::min(bar->maximum(), bar->value() + lines));
    }
}

void QtUpdaterWindow::SetProgress(int id, int value, int maximum) {
    if (auto* bar = qobject_cast<QProgressBar*>(Item(id))) {
        bar->setMaximum(maximum);
        bar->setValue(value);
    }
}

bool QtUpdaterWindow::CreateControlFont() {
    // Character cell height 18 px; Arial's cell is about 1.15 em, so the em is 16 px.
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(16);
    font.setWeight(QFont::Normal);
    m_font = font;
    return true;
}

void QtUpdaterWindow::SetDlgItemFont(int id) {
    if (QWidget* w = Item(id); w != nullptr && m_font) {
        w->setFont(*m_font);
    }
}

void QtUpdaterWindow::ReleaseControlFont() {
    m_font.reset();
}

void QtUpdaterWindow::SetWindowIcon() {
    setWindowIcon(m_hIcon);
}

bool QtUpdaterWindow::AppendSystemMenuEntry(unsigned command, const char* text) {
    // Where the window system lets a program add to the window's own menu, the entry goes there
    // (QtSystemMenuWin.cpp). Elsewhere the window manager owns that menu: the entry is offered
    // on the window's context menu (right click on the background) and on F1.
    AppendNativeSystemMenuEntry(command, text);
    m_pAboutMenu = new QMenu(this);
    m_pAboutMenu->addAction(QString::fromLatin1(text), this,
                            [this, command] { m_dlg.OnSysCommand(command); });
    return true;
}

std::optional<std::string> QtUpdaterWindow::ChooseFile() {
    return ChooseScriptFile(this);
}

void QtUpdaterWindow::DoAboutBox() {
    CAboutDlg about(this);
    about.exec();
}

void QtUpdaterWindow::EndDialog(int result) {
    QDialog::done(result == 1 ? QDialog::Accepted : QDialog::Rejected);
}

bool QtUpdaterWindow::OnWindowThread() {
    return QThread::currentThread() == thread();
}

void QtUpdaterWindow::Post(std::function<void()> call) {
    // The calls cross threads in a queue of ours under a std::mutex, not as Qt slot objects:
    // Qt hands those over under futex locks that ThreadSanitizer cannot see. The event carries
    // nothing but the wake-up; only Qt touches it, so customEvent must not read it.
    {
        const std::lock_guard<std::mutex> lock(m_postedMutex);
        m_posted.push_back(std::move(call));
    }
    QCoreApplication::postEvent(this, new QEvent(kPostedCallsEvent));
}

void QtUpdaterWindow::customEvent(QEvent* /*wake-up*/) {
    // Qt routes only the user event types here, and Post's is the only one this window gets.
    // One call per wake-up, oldest first: a call that runs an event loop of its own (Load's
    // search) still lets the calls after it run, in order; a surplus wake-up finds none.
    std::function<void()> call;
    {
        const std::lock_guard<std::mutex> lock(m_postedMutex);
        if (m_posted.empty()) {
            return;
        }
        call = std::move(m_posted.front());
        m_posted.pop_front();
    }
    call();
}

void QtUpdaterWindow::SendLogRefresh() {
    Post([this] { m_dlg.OnLogRefreshMessage(); });
}

void QtUpdaterWindow::RunWhileLive(const std::function<void()>& work) {
    QEventLoop loop;
    // The loop may have ended on its own (an application exit) before the quit runs. Made
    // here: a QPointer is taken on the object's own thread.
    const QPointer<QEventLoop> guard(&loop);
    std::thread helper([&work, this, guard] {
        work();
        Post([guard] {
            if (guard) {
                guard->quit();
            }
        });
    });
    loop.exec();
    helper.join();
}

void QtUpdaterWindow::PumpEvents() {
    // Only the window's thread has events; elsewhere (Load's helper thread, the worker) there is
    // nothing to pump.
    if (OnWindowThread()) {
        QCoreApplication::processEvents();
    }
}

void QtUpdaterWindow::JoinWorker(WorkerThread& worker) {
    // The refresh of a worker told to stop returns at once, so it cannot be waiting for us.
    worker.Join();
}

void QtUpdaterWindow::accept() {
    m_dlg.OnOK();
}

void QtUpdaterWindow::reject() {
    // Escape, the close box and the window menu's Close.
    m_dlg.OnCancel();
}

void QtUpdaterWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        m_dlg.OnSysCommand(IDM_ABOUTBOX);
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // The dialog keys: Enter presses a focused push button; elsewhere it is IDOK.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button != nullptr) {
            if (button->isEnabled() && button->isVisible()) {
                button->click();
            }
        } else {
            m_dlg.OnOK();
        }
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool QtUpdaterWindow::eventFilter(QObject* watched, QEvent* event) {
    QComboBox* combo = ui->IDC_CMB_INTERFACE;
    if (event->type() == QEvent::KeyPress && (watched == combo || watched == combo->lineEdit())) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            m_dlg.OnOK();
            event->accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void QtUpdaterWindow::contextMenuEvent(QContextMenuEvent* event) {
    m_pAboutMenu->popup(event->globalPos());
    event->accept();
}

}  // namespace orvane
