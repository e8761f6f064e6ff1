#include "gui/main_frame.h"

#include <wx/accel.h>
#include <wx/menu.h>
#include <wx/print.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/utils.h>

#include <optional>
#include <vector>

#include "gui/about_dialog.h"
#include "gui/bitmaps.h"
#include "gui/printout.h"
#include "gui/view.h"
#include "gui/wx_ports.h"
#include "shell/resources.h"

namespace {

int toWxModifiers(int modifiers) {
  int flags = wxACCEL_NORMAL;
  if (modifiers & modifier::kCtrl) flags |= wxACCEL_CTRL;
  if (modifiers & modifier::kShift) flags |= wxACCEL_SHIFT;
  if (modifiers & modifier::kAlt) flags |= wxACCEL_ALT;
  return flags;
}

int toWxKey(int keyCode) {
  switch (keyCode) {
    case key::kBackspace: return WXK_BACK;
    case key::kDelete: return WXK_DELETE;
    case key::kInsert: return WXK_INSERT;
    case key::kF6: return WXK_F6;
    default: return keyCode;
  }
}

}  // namespace

// The toolkit takes window identifiers below 0x7fff only, and keeps 4999..5999 for its own.
int toWxId(int command) { return command - 30000; }

MainFrame::MainFrame(Session& session, PortsFactory makePorts, ShellServices services)
    : wxFrame(nullptr, wxID_ANY, text::kApplicationTitle, wxDefaultPosition, wxSize(1000, 720)), timer_(this) {
  view_ = new PedivarView(this);
  buildMenuBar();
  buildAccelerators();
  buildToolBar();
  buildStatusBar();
  ports_ = makePorts ? makePorts(this, view_, &timer_) : std::make_unique<WxPorts>(this, view_, &timer_);
  shell_ = std::make_unique<Shell>(session, *ports_, std::move(services));
  view_->attach(shell_.get());
  shell_->initialUpdate();
  bindCommands();
}

MainFrame::~MainFrame() {
  timer_.Stop();
  joinWorker();
  view_->attach(nullptr);
}

void MainFrame::joinWorker() {
  if (ports_) ports_->joinWorker();
}

void MainFrame::buildMenuBar() {
  auto* bar = new wxMenuBar;
  for (const MenuEntry& entry : menuBarEntries()) {
    auto* menu = new wxMenu;
    for (const MenuItemEntry& item : entry.items) {
      if (item.command == kSeparator) {
        menu->AppendSeparator();
        continue;
      }
      menu->Append(toWxId(item.command), item.text, promptStatusText(item.command));
    }
    bar->Append(menu, entry.title);
  }
  SetMenuBar(bar);
}

void MainFrame::buildAccelerators() {
  std::vector<wxAcceleratorEntry> entries;
  for (const AcceleratorEntry& a : acceleratorEntries())
    entries.emplace_back(toWxModifiers(a.modifiers), toWxKey(a.keyCode), toWxId(a.command));
  SetAcceleratorTable(wxAcceleratorTable(static_cast<int>(entries.size()), entries.data()));
}

void MainFrame::buildToolBar() {
  wxToolBar* bar = CreateToolBar(wxTB_FLAT | wxTB_HORIZONTAL | wxTB_DOCKABLE);
  bar->SetToolBitmapSize(wxSize(16, 15));
  for (int command : toolbarEntries()) {
    if (command == kSeparator) {
      bar->AddSeparator();
      continue;
    }
    bar->AddTool(toWxId(command), promptTooltip(command), toolbarBitmap(command), promptTooltip(command));
    bar->SetToolLongHelp(toWxId(command), promptStatusText(command));
  }
  bar->Realize();
}

void MainFrame::buildStatusBar() {
  wxStatusBar* bar = CreateStatusBar(4);
  const char* panes[] = {text::kCapsLock, text::kNumLock, text::kScrollLock};
  int widths[4] = {-1, 0, 0, 0};
  for (int i = 0; i < 3; ++i) widths[i + 1] = bar->GetTextExtent(panes[i]).GetWidth() + 16;
  bar->SetStatusWidths(4, widths);
  SetStatusText(text::kReady, 0);
  Bind(wxEVT_IDLE, [this](wxIdleEvent& event) {
    updateKeyStates();
    event.Skip();
  });
}

void MainFrame::updateKeyStates() {
  const wxKeyCode keys[] = {WXK_CAPITAL, WXK_NUMLOCK, WXK_SCROLL};
  const char* panes[] = {text::kCapsLock, text::kNumLock, text::kScrollLock};
  for (int i = 0; i < 3; ++i) {
    wxString shown = wxGetKeyState(keys[i]) ? wxString(panes[i]) : wxString();
    if (shown != keyStates_[i]) {
      keyStates_[i] = shown;
      SetStatusText(shown, i + 1);
    }
  }
}

void MainFrame::bindCommands() {
  auto on = [this](int command, auto handler) {
    Bind(wxEVT_MENU, [handler](wxCommandEvent&) { handler(); }, toWxId(command));
  };
  on(command::kOpen, [this] { shell_->open(); });
  on(command::kSaveAs, [this] { shell_->saveReportAs(); });
  on(command::kModelI, [this] { shell_->runModel(ModelKind::ModelI); });
  on(command::kModelII, [this] { shell_->runModel(ModelKind::ModelII); });
  on(command::kModelIII, [this] { shell_->runModel(ModelKind::ModelIII); });
  on(command::kHelp, [this] { shell_->help(); });
  on(command::kNew, [this] { shell_->newDocument(); });
  on(command::kSave, [this] { shell_->saveDocument(); });
  on(command::kPrint, [this] { onPrint(); });
  on(command::kAbout, [this] { onAbout(); });
  on(command::kExit, [this] { Close(); });
  // Undo, cut, copy, paste and the pane keys have no handler: those keys do nothing.
  Bind(wxEVT_TIMER, [this](wxTimerEvent&) { shell_->timerTick(); });
  Bind(wxEVT_MENU_CLOSE, [this](wxMenuEvent& event) {
    SetStatusText(text::kReady, 0);
    event.Skip();
  });
  Bind(wxEVT_CLOSE_WINDOW, &MainFrame::onClose, this);
}

void MainFrame::sendCommand(int command) {
  wxCommandEvent event(wxEVT_MENU, toWxId(command));
  event.SetEventObject(this);
  ProcessWindowEvent(event);
}

void MainFrame::onPrint() {
  wxPrinter printer;
  ViewPrintout printout(*shell_);
  printer.Print(this, &printout, true);
}

void MainFrame::onAbout() {
  AboutDialog dialog(this);
  dialog.ShowModal();
}

void MainFrame::onClose(wxCloseEvent& event) {
  // A run is never cancelled; the window waits for it so that no worker outlives the session.
  {
    std::optional<wxBusyCursor> wait;
    if (shell_->analysisActive()) wait.emplace();
    joinWorker();
  }
  timer_.Stop();
  event.Skip();
}
