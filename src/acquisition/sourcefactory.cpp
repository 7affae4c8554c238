#include "acquisition/sourcefactory.h"

#include "acquisition/qxanalogueinputsource.h"
#include "acquisition/qxanalogueoutputsource.h"
#include "acquisition/qxdacsource.h"
#include "acquisition/qxdigitalinputsource.h"
#include "acquisition/qxdigitaloutputsource.h"
#include "acquisition/qxetimesource.h"
#include "acquisition/qxfixedsource.h"
#include "acquisition/qxheatercontrollersource.h"
#include "acquisition/qxmaninpsource.h"
#include "acquisition/qxoptionsource.h"
#include "acquisition/qxremotesetpointsource.h"
#include "acquisition/qxsamplenumbersource.h"
#include "acquisition/qxtextsource.h"
#include "acquisition/qxtimesource.h"
#include "acquisition/qxaccumulatorcontrol.h"
#include "acquisition/qxburstsource.h"
#include "acquisition/qxdigitalflip.h"
#include "acquisition/qxdigitalswitch.h"
#include "acquisition/qxgatesource.h"
#include "acquisition/qxpumptimersource.h"
#include "pid/qxcontrollersource.h"
#include "acquisition/qxfrequencysource.h"
#include "acquisition/qxtwinfreqs.h"
#include "acquisition/qxvexaidentifier.h"
#include "acquisition/qxalarmsource.h"
#include "acquisition/qxanalogueconductivitysource.h"
#include "acquisition/qxconductivityoptionsource.h"
#include "acquisition/qxmaxstore.h"
#include "acquisition/qxrezerosource.h"
#include "acquisition/qxscadamodule.h"
#include "acquisition/qxstore.h"
#include "acquisition/qxstoreoffset.h"
#include "acquisition/qxvarimage1source.h"
#include "acquisition/qxvarimage2source.h"
#include "acquisition/qxvarimage3source.h"
#include "acquisition/qxvarimage4source.h"
#include "acquisition/qxvarimage5source.h"
#include "acquisition/qxvexawatchdog.h"
#include "acquisition/qxwarning.h"
#include "acquisition/qxwatchdog.h"

std::unique_ptr<TQXSource> TSourceFactory::Create(data_Source_types kind) {
  switch (kind) {
    case IFD_DATASRC: return std::make_unique<TQXAnalogueInputSource>();
    case MANINP_DATASRC: return std::make_unique<TQXManInpSource>();
    case FIXED_DATASRC: return std::make_unique<TQXFixedSource>();
    case TIME_DATASRC: return std::make_unique<TQXTimeSource>();
    case ETIME_DATASRC: return std::make_unique<TQXETimeSource>();
    case SAMPLE_DATASRC: return std::make_unique<TQXSampleNumberSource>();
    case TEXT_DATASRC: return std::make_unique<TQXTextSource>();
    case OPTION_DATASRC: return std::make_unique<TQXOptionSource>();
    case ANALOGUE_OUT_DATASRC: return std::make_unique<TQXAnalogueOutputSource>();
    case HEATER_CONTROLLER_DATASRC: return std::make_unique<TQXHeaterControllerSource>();
    case DIGITAL_OUT_DATASRC: return std::make_unique<TQXDigitalOutputSource>();
    case DIGITAL_IN_DATASRC: return std::make_unique<TQXDigitalInputSource>();
    case REMOTE_SETPOINT_DATASRC: return std::make_unique<TQXRemoteSetPointSource>();
    case DAC_DATASRC: return std::make_unique<TQXDACSource>();
    case CONTROLLER_DATASRC: return std::make_unique<TQXControllerSource>();
    case FREQUENCY_DATASRC: return std::make_unique<TQXFrequencySource>();
    case TWIN_FREQS_DATASRC: return std::make_unique<TQXTwinFreqs>();
    case VEXA_IDENTIFIER_DATASRC: return std::make_unique<TQXVexaIdentifier>();
    case STORE_DATASRC: return std::make_unique<TQXStore>();
    case MAX_DATASRC: return std::make_unique<TQXMaxStore>();
    case REZERO_DATASRC: return std::make_unique<TQXReZeroSource>();
    case STORE_OFFSET_DATASRC: return std::make_unique<TQXStoreOffset>();
    case ALARM_DATASRC: return std::make_unique<TQXAlarmSource>();
    case WARNING_DATASRC: return std::make_unique<TQXWarning>();
    case WATCHDOG_DATASRC: return std::make_unique<TQXWatchdog>();
    case VEXA_WATCHDOG_DATASRC: return std::make_unique<TQXVexaWatchdog>();
    case VARIMAGE1_DATASRC: return std::make_unique<TQXVarImage1Source>();
    case VARIMAGE2_DATASRC: return std::make_unique<TQXVarImage2Source>();
    case VARIMAGE3_DATASRC: return std::make_unique<TQXVarImage3Source>();
    case VARIMAGE4_DATASRC: return std::make_unique<TQXVarImage4Source>();
    case VARIMAGE5_DATASRC: return std::make_unique<TQXVarImage5Source>();
    case CONDUCTIVITY_DATASRC: return std::make_unique<TQXAnalogueConductivitySource>();
    case CONDUCTIVITY_OPTION_DATASRC: return std::make_unique<TQXConductivityOptionSource>();
    case SCADA_MODULE: return std::make_unique<TQXSCADAModule>();
    case GATE_DATASRC: return std::make_unique<TQXGateSource>();
    case SWITCH_DATASRC: return std::make_unique<TQXDigitalSwitch>();
    case FLIP_DATASRC: return std::make_unique<TQXDigitalFlip>();
    case ACCUMULATOR_CONTROL_DATASRC: return std::make_unique<TQXAccumulatorControl>();
    case PUMPTIMER_DATASRC: return std::make_unique<TQXPumpTimerSource>();
    case BURST_DATASRC: return std::make_unique<TQXBurstSource>();
    default: return nullptr;
  }
}

bool TSourceFactory::IsBuilt(data_Source_types kind) {
  return kind == FRAME_DATASRC || kind == NO_MORE_DATASRC || Create(kind) != nullptr;
}

bool TSourceFactory::IsListed(data_Source_types kind) {
  switch (kind) {
    case FRAME_DATASRC:
    case CONDUCTIVITY_OPTION_DATASRC:
    case WATCHDOG_DATASRC:
    case VEXA_WATCHDOG_DATASRC:
    case NO_MORE_DATASRC: return false;
    default: return true;
  }
}
