#pragma once
// Input mode of a card and the role of a card port: shared by the port objects, the reply collectors
// and the facade.

enum class TIFDInputMode { NONE = 0, SE = 1, DIFF = 2 };

enum class TApdComPortRole { na = 0, ms = 1, sl = 2 };
