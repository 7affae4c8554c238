#pragma once
// Marks code that must never wait on a person: the sampling tick, the serial dispatcher's hand-over
// and a controller's step. While one is open on the user-interface thread (and always on any other
// thread) the prompt service asks nothing: messages become non-modal notices and questions get
// their cautious answer at once, so sampling and control keep their time.

class TNoWaitZone {
 public:
  // `where` names the zone in notices ("the sampling tick"); it must outlive the zone.
  explicit TNoWaitZone(const char* where);
  ~TNoWaitZone();
  TNoWaitZone(const TNoWaitZone&) = delete;
  TNoWaitZone& operator=(const TNoWaitZone&) = delete;

  // True inside a zone, or off the user-interface thread.
  static bool Inside();
  // The innermost zone's name, empty outside.
  static const char* Where();

 private:
  const char* FPrevious;
};
