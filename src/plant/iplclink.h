#pragma once
// The controller link as the control-parameters window uses it: one 16-bit word per exchange at a
// data-table address ("N7:22"), read or written, finishing with exactly one event: read done
// (with the word), write done, or error (with a code and a text). The window's logic depends on
// this shape only, never on the transport behind it.

#include <QString>
#include <functional>

class IPlcLink {
 public:
  struct TEvents {
    std::function<void(qint16 value)> OnReadDone;
    std::function<void()> OnWriteDone;
    std::function<void(int nErrorCode, const QString& text)> OnErrorEvent;
  };

  // Error codes the link reports besides the controller's own exception codes (1-255).
  static constexpr int BadAddress = 1000;
  static constexpr int ConnectionRefused = 1001;
  static constexpr int ConnectionLost = 1002;
  static constexpr int NoAnswer = 1003;
  static constexpr int Busy = 1004;

  virtual ~IPlcLink() = default;
  void SetEvents(TEvents events) { FEvents = std::move(events); }

  // Starts one exchange. A second one while an exchange runs is refused with a Busy error.
  virtual void Read(const QString& FileAddr) = 0;
  virtual void Write(const QString& FileAddr, qint16 value) = 0;
  // Forgets the exchange in progress (its time is up): a late answer raises no event.
  virtual void Abandon() = 0;
  virtual bool IsBusy() const = 0;

 protected:
  TEvents FEvents;
};
