#include "SimulatorPeer.h"

#include "WireFrame.h"

namespace kvir::sim {

void AttachSimulator(FakePortState& state, Simulator& simulator) {
    state.peerGone = simulator.isGone();
    auto collector = std::make_shared<FrameCollector>();
    state.peer = [&state, &simulator, collector](const QByteArray& bytes) {
        QByteArray sent;
        for (const char c : bytes) {
            const auto frame = collector->push(c);
            if (!frame) {
                continue;
            }
            const Reply reply = simulator.handleRequest(*frame);
            if (reply.hangUpAfter >= 0) {
                sent += reply.bytes.left(reply.hangUpAfter);
            } else {
                sent += reply.bytes;
            }
            if (reply.hangUpAfter >= 0 || reply.stop || simulator.isGone()) {
                state.peerGone = true;
                break;
            }
        }
        return sent;
    };
}

PortFactory SimulatorPortFactory(Simulator& simulator) {
    auto state = std::make_shared<FakePortState>();
    AttachSimulator(*state, simulator);
    return FakePortFactory(state);
}

}  // namespace kvir::sim
