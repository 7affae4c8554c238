#pragma once
// The two program types an inverter can hold, and "not identified".

enum TInverterType { na_inv = 0, Varnok = 1, Pellor = 2 };
