#pragma once
// A simulated instrument on the in-memory fake port, for fast tests of the link and everything
// above it: each frame written goes to the simulator at once and its reply waits to be read.
// A hang-up sends half of the reply and then the far end is gone, as on a real line.

#include "Simulator.h"
#include "link/FakeSerialPort.h"

#include <memory>

namespace kvir::sim {

// Makes `simulator` the far end of every port of `state`. The simulator must outlive them.
void AttachSimulator(FakePortState& state, Simulator& simulator);

// A port factory for SerialLink whose ports all reach `simulator`.
PortFactory SimulatorPortFactory(Simulator& simulator);

}  // namespace kvir::sim
