#include "rigconfig/datasourcetypes.h"

data_Source_types DataSourceTypeFromCode(int code) {
  switch (code) {
    case 1: return FIXED_DATASRC;
    case 2: return TIME_DATASRC;
    case 3: return ETIME_DATASRC;
    case 4: return IFD_DATASRC;
    case 5: return MANINP_DATASRC;
    case 6: return SAMPLE_DATASRC;
    case 7: return TEXT_DATASRC;
    case 8: return OPTION_DATASRC;
    case 9: return ANALOGUE_OUT_DATASRC;
    case 10: return FRAME_DATASRC;
    case 11: return DIGITAL_OUT_DATASRC;
    case 12: return DIGITAL_IN_DATASRC;
    case 13: return CONTROLLER_DATASRC;
    case 14: return CONDUCTIVITY_DATASRC;
    case 15: return CONDUCTIVITY_OPTION_DATASRC;
    case 16: return WATCHDOG_DATASRC;
    case 17: return HEATER_CONTROLLER_DATASRC;
    case 18: return VARIMAGE1_DATASRC;
    case 19: return VARIMAGE2_DATASRC;
    case 20: return VARIMAGE3_DATASRC;
    case 21: return GATE_DATASRC;
    case 22: return ALARM_DATASRC;
    case 23: return SCADA_MODULE;
    case 24: return REMOTE_SETPOINT_DATASRC;
    default:
      // 25 to 41 share their number with the enumerator
      if (code >= 25 && code <= 41) return static_cast<data_Source_types>(code);
      return NO_MORE_DATASRC;
  }
}

const char* DataSourceTypeName(data_Source_types kind) {
  static const char* const names[] = {
      "IFD_DATASRC", "ALARM_DATASRC", "MANINP_DATASRC", "GATE_DATASRC", "FIXED_DATASRC", "TIME_DATASRC",
      "ETIME_DATASRC", "SAMPLE_DATASRC", "TEXT_DATASRC", "OPTION_DATASRC", "ANALOGUE_OUT_DATASRC",
      "HEATER_CONTROLLER_DATASRC", "FRAME_DATASRC", "DIGITAL_OUT_DATASRC", "VARIMAGE1_DATASRC",
      "VARIMAGE2_DATASRC", "VARIMAGE3_DATASRC", "DIGITAL_IN_DATASRC", "CONTROLLER_DATASRC",
      "CONDUCTIVITY_DATASRC", "CONDUCTIVITY_OPTION_DATASRC", "WATCHDOG_DATASRC", "SCADA_MODULE",
      "REMOTE_SETPOINT_DATASRC", "NO_MORE_DATASRC", "VARIMAGE4_DATASRC", "PUMPTIMER_DATASRC", "BURST_DATASRC",
      "FREQUENCY_DATASRC", "DAC_DATASRC", "REZERO_DATASRC", "STORE_DATASRC", "MAX_DATASRC", "SWITCH_DATASRC",
      "FLIP_DATASRC", "VARIMAGE5_DATASRC", "VEXA_WATCHDOG_DATASRC", "VEXA_IDENTIFIER_DATASRC",
      "TWIN_FREQS_DATASRC", "ACCUMULATOR_CONTROL_DATASRC", "STORE_OFFSET_DATASRC", "WARNING_DATASRC"};
  return kind <= WARNING_DATASRC ? names[kind] : "?";
}
