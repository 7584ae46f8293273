#pragma once

#include <json/value.h>

namespace platform {

// True when VELMORA_SIMULATOR names a simulator socket: the platform layer then uses the
// simulator back ends, and what the program does at the platform boundary is reported to it.
bool SimulatorActive();

// Reports one event ({"kind": ...}) to the simulator's event stream. The simulator adds
// "seq" and "t". Does nothing when no simulator is attached.
void EmitSimEvent(const Json::Value& event);

} // namespace platform
