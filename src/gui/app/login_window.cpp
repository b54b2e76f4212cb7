#include "gui/app/login_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include "core/login/snapshots.h"
#include "core/platform/error_boundary.h"
#include "gui/app/main_window.h"
#include "gui/fund/fund_window.h"
#include "gui/ledger/holdings_window.h"
#include "gui/ledger/statistics_window.h"
#include "gui/ledger/trading_window.h"
#include "gui/market/security_list_window.h"
#include "gui/reference/settings_window.h"
#include "gui/widgets/password_edit.h"

namespace vmx::app {

namespace fs = std::filesystem;

TForm1::TForm1(store::Session& session, platform::Dialogs& dialogs, platform::Clock& clock,
               platform::Help& help, fs::path curr_dir, QWidget* parent)
    : QWidget(parent),
      m_session(session),
      m_dialogs(dialogs),
      m_clock(clock),
      m_help(help),
      m_curr_dir(std::move(curr_dir)) {
  build();
  FormCreate();
}

TForm1::~TForm1() { drop_login(); }

void TForm1::build() {
  setWindowTitle(QStringLiteral("Valmorix登录窗口"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 18, 24, 18);
  layout->setSpacing(14);

  auto* heading = new QLabel(QStringLiteral("个人、基金、经纪人用股票期货帐户管理软件"), this);
  QFont hf = heading->font();
  hf.setPointSizeF(hf.pointSizeF() * 1.3);
  hf.setBold(true);
  heading->setFont(hf);
  heading->setAlignment(Qt::AlignCenter);
  layout->addWidget(heading);

  auto* form = new QGridLayout;
  form->setHorizontalSpacing(10);
  m_user = new QComboBox(this);
  m_user->setObjectName(QStringLiteral("DBLookupComboBox1"));
  m_user->setEditable(true);
  m_user->setInsertPolicy(QComboBox::NoInsert);
  // A typed name stays a typed name: no completion may turn it into a pick.
  m_user->setCompleter(nullptr);
  QFont bold = m_user->font();
  bold.setBold(true);
  m_user->setFont(bold);
  m_user->setMinimumWidth(200);
  m_user->lineEdit()->installEventFilter(this);
  connect(m_user, &QComboBox::activated, this,
          [this](int index) { DBLookupComboBox1CloseUp(index); });

  m_password = ui::make_password_edit(this);
  m_password->setObjectName(QStringLiteral("Edit1"));
  connect(m_password, &QLineEdit::returnPressed, this, [this] { BitBtn1Click(); });

  auto* user_label = new QLabel(QStringLiteral("管理帐户:"), this);
  user_label->setBuddy(m_user);
  auto* password_label = new QLabel(QStringLiteral("口令:"), this);
  password_label->setBuddy(m_password);
  form->addWidget(user_label, 0, 0, Qt::AlignRight);
  form->addWidget(m_user, 0, 1);
  form->addWidget(password_label, 1, 0, Qt::AlignRight);
  form->addWidget(m_password, 1, 1);
  auto* centre = new QHBoxLayout;
  centre->addStretch();
  centre->addLayout(form);
  centre->addStretch();
  layout->addLayout(centre);

  auto* buttons = new QHBoxLayout;
  m_enter = new QPushButton(this->style()->standardIcon(QStyle::SP_DialogOkButton),
                            QStringLiteral("进入"), this);
  m_enter->setDefault(true);
  m_give_up = new QPushButton(this->style()->standardIcon(QStyle::SP_DialogCancelButton),
                              QStringLiteral("放弃"), this);
  m_help_button = new QPushButton(this->style()->standardIcon(QStyle::SP_DialogHelpButton),
                                  QStringLiteral("帮助"), this);
  m_help_button->setToolTip(QStringLiteral("请习惯使用帮助按钮"));
  connect(m_enter, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  connect(m_give_up, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
  connect(m_help_button, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
  buttons->addStretch();
  for (QPushButton* b : {m_enter, m_give_up, m_help_button}) {
    b->setMinimumWidth(90);
    buttons->addWidget(b);
  }
  buttons->addStretch();
  layout->addLayout(buttons);
}

void TForm1::FormCreate() {
  bind_program_directory(m_session, m_curr_dir);
  m_accounts = std::make_unique<AccountList>(m_session, m_dialogs);
  if (!m_accounts->available()) return;
  const std::vector<std::string> names = m_accounts->names();
  for (const std::string& n : names) m_user->addItem(QString::fromStdString(n));
  m_user->setEditText(QString::fromStdString(m_accounts->initial_name()));
  m_user->setMaxVisibleItems(std::max(1, static_cast<int>(names.size())));
}

void TForm1::DBLookupComboBox1CloseUp(int index) {
  if (index < 0 || index >= m_user->count()) return;
  const QString name = m_user->itemText(index);
  platform::run_guarded(m_dialogs, [&] { m_accounts->pick(name.toStdString()); });
  m_user->setEditText(name);
  m_password->clear();
  m_password->setFocus();
}

void TForm1::BitBtn1Click() {
  platform::run_guarded(m_dialogs, [this] {
    const std::optional<LoginState> state =
        m_accounts->login(m_user->currentText().toStdString(), m_password->text().toStdString());
    if (state) log_in(*state);
  });
}

void TForm1::log_in(const LoginState& state) {
  // The previous login's windows and objects are done with; the new Workspace
  // re-binds ubx, which closes whatever they still had open.
  drop_login();
  m_workspace = std::make_unique<Workspace>(m_session, m_dialogs, m_clock, m_help, state);
  // The files as they were when the user came in, before anything changes
  // them; the account is locked to this login by now.
  snapshot_at_login(state, m_clock.today(), m_dialogs);
  m_main = new TForm7(*m_workspace);
  m_main->setAttribute(Qt::WA_DeleteOnClose, false);
  connect(m_main, &TForm7::logged_out, this, &TForm1::logged_out);
  connect(m_main, &TForm7::quit_requested, this, &TForm1::quit);
  // Without a window manager a maximised window keeps its size: start it at
  // the screen's size so it fills the screen either way.
  if (QScreen* screen = this->screen()) m_main->setGeometry(screen->availableGeometry());
  m_main->showMaximized();

  // The long-lived windows of the login, created hidden.
  TForm7* main = m_main;
  Workspace* ws = m_workspace.get();
  // The holdings editing window first: the settings window values the ledger
  // through it, so that its totals show the run.
  ledger::TForm2* holdings = new ledger::TForm2(*ws, m_main);
  m_holdings = holdings;
  holdings->set_refresh_main([main] { main->refresh_in_place(); });
  m_main->set_holdings_window(holdings);
  // The statistics window next; dates read yyyy-mm-dd throughout the program.
  m_main->set_statistics_window(new ledger::TForm_tj(
      *ws, [holdings] { holdings->up_calc(); }, m_main));
  m_settings = new store::reference::TForm_set(
      *ws, [holdings] { holdings->up_calc(); }, [main] { main->up_open(); }, m_main);
  m_main->set_settings_window(m_settings);
  holdings->set_settings_window(m_settings);
  m_security_window = new market::TForm_stock(*ws, m_main);
  auto* trading = new ledger::TForm_chuli(*ws, m_main);
  trading->set_security_window(m_security_window);
  trading->set_refresh_main(
      [main](const std::string& code, const std::string& qsdm, const std::string& zjzh,
             const std::string& wth) { main->show_order(code, qsdm, zjzh, wth); });
  m_security_window->set_on_confirm(
      [trading](const std::string& code, const std::string& name, double price) {
        trading->take_security(code, name, price);
      });
  m_main->set_trading_window(trading);
  m_main->set_fund_window(new fund::Tform_fund(*ws, m_main));
}

void TForm1::drop_login() {
  if (m_main) {
    m_main->set_settings_window(nullptr);
    m_main->set_holdings_window(nullptr);
    m_main->set_trading_window(nullptr);
    m_main->set_fund_window(nullptr);
    m_main->set_statistics_window(nullptr);
    delete m_main;  // with it the settings window it parents
    m_main = nullptr;
    m_settings = nullptr;
    m_holdings = nullptr;
    m_security_window = nullptr;
  }
  m_workspace.reset();
}

void TForm1::logged_out() {
  raise();
  activateWindow();
}

// Called from inside the main window's menu handler, which must return before
// the main window goes: the close waits for the event loop.
void TForm1::quit() { QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection); }

void TForm1::BitBtn2Click() { close(); }

void TForm1::BitBtn3Click() {
  std::error_code ec;
  if (!fs::is_regular_file(m_session.resolve(m_curr_dir.string(), kHelpFileName), ec)) {
    m_dialogs.inform(kMissingHelpFile);
    return;
  }
  m_help.open_keyword("login");
}

void TForm1::closeEvent(QCloseEvent* event) {
  drop_login();
  event->accept();
  emit closed();
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (m_centred) return;
  m_centred = true;
  if (QScreen* screen = this->screen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - rect().center());
  }
}

// Enter in the user-name box logs in, as it does in the password box; it must
// not turn a typed name into a pick from the list.
bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_user->lineEdit() && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      BitBtn1Click();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace vmx::app
