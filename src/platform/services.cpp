#include "platform/services.h"

#include <memory>

#include <QCoreApplication>

#include "platform/helpwindow.h"
#include "platform/messagebus.h"
#include "platform/nowaitprompts.h"
#include "platform/nowaitzone.h"
#include "platform/processlauncher.h"
#include "platform/qtprompts.h"
#include "platform/systemclock.h"

namespace {
// A default window left at exit outlives the application object (statics die after main returns):
// destroying a widget then crashes, so it is left to the operating system.
struct TWindowDeleter {
  void operator()(QObject* window) const {
    if (QCoreApplication::instance()) delete window;
  }
};

template <class TInterface, class TDefault, class TDeleter = std::default_delete<TDefault>>
struct TSlot {
  TInterface* Installed = nullptr;
  std::unique_ptr<TDefault, TDeleter> Default;
  TInterface& Get() {
    if (Installed) return *Installed;
    if (!Default) Default.reset(new TDefault);
    return *Default;
  }
};

TSlot<IPrompts, TQtPrompts> gPrompts;
TSlot<IClock, TSystemClock> gClock;
TSlot<IProgramLauncher, TProcessLauncher> gLauncher;
TSlot<TMessageBus, TMessageBus> gBus;
TSlot<IHelpViewer, THelpWindow, TWindowDeleter> gHelp;
}  // namespace

IPrompts& TServices::Prompts() {
  if (!TNoWaitZone::Inside()) return gPrompts.Get();
  static TNoWaitPrompts noWait([]() -> IPrompts& { return gPrompts.Get(); });
  return noWait;
}
IClock& TServices::Clock() { return gClock.Get(); }
IProgramLauncher& TServices::Launcher() { return gLauncher.Get(); }
TMessageBus& TServices::Bus() { return gBus.Get(); }
IHelpViewer& TServices::Help() { return gHelp.Get(); }

void TServices::SetPrompts(IPrompts* prompts) { gPrompts.Installed = prompts; }
void TServices::SetClock(IClock* clock) { gClock.Installed = clock; }
void TServices::SetLauncher(IProgramLauncher* launcher) { gLauncher.Installed = launcher; }
void TServices::SetBus(TMessageBus* bus) { gBus.Installed = bus; }
void TServices::SetHelp(IHelpViewer* help) { gHelp.Installed = help; }

namespace {
TRigConfig* gRig = nullptr;
TQXIFD* gIFD = nullptr;
TQXDataList* gDataList = nullptr;
TQXLoggerPanel* gLogger = nullptr;
TTableForm* gTable = nullptr;
TGraphForm* gGraph = nullptr;
TWorkbook* gSampleBook = nullptr;
}  // namespace

TRigConfig* TServices::Rig() { return gRig; }
void TServices::SetRig(TRigConfig* rig) { gRig = rig; }
TQXIFD* TServices::IFD() { return gIFD; }
void TServices::SetIFD(TQXIFD* ifd) { gIFD = ifd; }
TQXDataList* TServices::DataList() { return gDataList; }
void TServices::SetDataList(TQXDataList* list) { gDataList = list; }
TQXLoggerPanel* TServices::Logger() { return gLogger; }
void TServices::SetLogger(TQXLoggerPanel* logger) { gLogger = logger; }
TTableForm* TServices::Table() { return gTable; }
void TServices::SetTable(TTableForm* table) { gTable = table; }
TGraphForm* TServices::Graph() { return gGraph; }
void TServices::SetGraph(TGraphForm* graph) { gGraph = graph; }
TWorkbook* TServices::SampleBook() { return gSampleBook; }
void TServices::SetSampleBook(TWorkbook* book) { gSampleBook = book; }
