#pragma once
// A local TCP port nothing listens on right now, for a test's own server or simulator.

int FreePort();
