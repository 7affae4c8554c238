#pragma once
// The process-plant controller's values as the control-parameters window keeps them: what the
// diagram's picture sources and process-plant links read when the rig uses the process plant.

class IPlantArrays {
 public:
  virtual ~IPlantArrays() = default;
  static constexpr int DigitalCount = 16;
  // Digital value `index` (0-15) of the controller; false outside the range.
  virtual bool Digitals(int index) const = 0;
  // Analogue value `index` as the window scaled it (entries 0-5, 8 and 9 are used); 0 outside.
  virtual double Analogs(int index) const = 0;
  // Whether the controller answered for the value within its poll time: a value it did not is
  // recorded as nothing, never as the number it last gave.
  virtual bool DigitalAvailable(int index) const = 0;
  virtual bool AnalogAvailable(int index) const = 0;
  // Fills 15 columns of the sample row from `ColumnNo`: gain, integral, derivative, set point and
  // output of each of the three loops in turn; a value not currently known is left empty.
  virtual void WriteValues(int ColumnNo) = 0;

  // The window registers itself while it exists; null without one.
  static IPlantArrays* Current() { return FCurrent; }
  static void SetCurrent(IPlantArrays* arrays) { FCurrent = arrays; }

 private:
  static inline IPlantArrays* FCurrent = nullptr;
};
