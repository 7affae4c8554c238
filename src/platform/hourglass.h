#pragma once
// Shows the busy cursor for the lifetime of the object; nests, and restores the previous cursor even
// when the operation leaves by an exception.

class THourglass {
 public:
  THourglass();
  ~THourglass();
  THourglass(const THourglass&) = delete;
  THourglass& operator=(const THourglass&) = delete;

  static int Depth();  // how many guards are active (for tests)

 private:
  bool FActive;
};
