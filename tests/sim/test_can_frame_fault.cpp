// A fault file breaking the frames one program sends on a CAN bus: what each
// kind does to data frames and acknowledgements, and that only the frames
// leaving for other processes are touched.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "can_test_helpers.h"
#include "test_support.h"
#include "vn_sim/can/can_frame_fault.h"
#include "vn_sim/can/can_wire.h"

namespace {

using VN_Sim::CanFrame_T;

CanFrame_T DataFrame(uint8_t first, uint8_t length = 8) {
    CanFrame_T frame;
    frame.dlc = length;
    for (uint8_t i = 0; i < length; ++i) frame.data[i] = static_cast<uint8_t>(first + i);
    return frame;
}

CanFrame_T Acknowledgement() {
    CanFrame_T frame;
    frame.id = 2176 >> 5;
    return frame;
}

// Identifier, length and the data bytes the frame carries.
bool SameFrame(const CanFrame_T& a, const CanFrame_T& b) {
    return a.id == b.id && a.dlc == b.dlc && std::equal(a.data, a.data + VN_Sim::CanFrameDataLength(a), b.data);
}

TEST(CanFrameFaultTest, EachKindBreaksTheDataFramesAsNamedAndRemovingTheFileMendsThem) {
    VN_Test::TempDir folder;
    const std::string file = folder.File("can_fault_link");
    VN_Sim::CanFrameFault fault(file);
    const long long ms = 1000000;
    long long now = 1000 * ms;
    int delayMs = -1;
    // Whether the frame goes out, afterMs after the one before; *frame as it goes.
    const auto send = [&](CanFrame_T* frame, long long afterMs) {
        now += afterMs * ms;
        return fault.Apply(frame, now, &delayMs);
    };

    CanFrame_T frame = DataFrame(1);
    ASSERT_TRUE(send(&frame, 100));
    EXPECT_TRUE(SameFrame(frame, DataFrame(1)));
    EXPECT_EQ(delayMs, 0);

    VN_Test::WriteFile(file, "mute");
    frame = DataFrame(1);
    EXPECT_FALSE(send(&frame, 100));
    CanFrame_T ack = Acknowledgement();
    EXPECT_FALSE(send(&ack, 1)) << "a silent unit acknowledges nothing either";

    VN_Test::WriteFile(file, "garbage");
    frame = DataFrame(1);
    ASSERT_TRUE(send(&frame, 100));
    EXPECT_EQ(frame.id, DataFrame(1).id);
    ASSERT_EQ(frame.dlc, 8);
    for (int i = 0; i < 8; ++i) EXPECT_NE(frame.data[i], DataFrame(1).data[i]) << i;
    ack = Acknowledgement();
    ASSERT_TRUE(send(&ack, 1));
    EXPECT_TRUE(SameFrame(ack, Acknowledgement()));

    // A reply of three frames breaks off after its first; the link's
    // acknowledgements of the request still pass.
    VN_Test::WriteFile(file, "cut");
    ack = Acknowledgement();
    EXPECT_TRUE(send(&ack, 100));
    frame = DataFrame(1, 6);
    ASSERT_TRUE(send(&frame, 5));
    EXPECT_TRUE(SameFrame(frame, DataFrame(1, 6)));
    frame = DataFrame(7);
    ASSERT_TRUE(send(&frame, 1));
    EXPECT_TRUE(SameFrame(frame, DataFrame(7, 2))) << "the frame that crosses the cut keeps its first bytes";
    frame = DataFrame(15, 4);
    EXPECT_FALSE(send(&frame, 1));
    ack = Acknowledgement();
    EXPECT_TRUE(send(&ack, 1));
    frame = DataFrame(1);
    EXPECT_TRUE(send(&frame, 60)) << "the next reply breaks off too";

    VN_Test::WriteFile(file, "slow 300");
    ack = Acknowledgement();
    ASSERT_TRUE(send(&ack, 100));
    EXPECT_EQ(delayMs, 0) << "acknowledgements are not held back";
    frame = DataFrame(1);
    ASSERT_TRUE(send(&frame, 100));
    EXPECT_EQ(delayMs, 300);
    ASSERT_TRUE(send(&frame, 1));
    EXPECT_EQ(delayMs, 0) << "only the reply's first frame waits";

    std::filesystem::remove(file);
    frame = DataFrame(1);
    ASSERT_TRUE(send(&frame, 100));
    EXPECT_TRUE(SameFrame(frame, DataFrame(1)));
    EXPECT_EQ(delayMs, 0);
}

// Two programs on one bus, one of them faulty: its frames to the other are
// lost (and so not acknowledged), those to its own nodes are not, and the
// other program's frames reach it.
TEST(CanFrameFaultTest, OnlyTheFaultyProgramsFramesToOtherProcessesAreBroken) {
    VN_Test::TempDir dir;
    const std::string fault = dir.File("can_fault_link");
    VN_Sim::CanWire faulty("link", dir.Path() + "/can", fault);
    VN_Sim::CanWire sound("link", dir.Path() + "/can", dir.File("other_fault"));
    ASSERT_TRUE(faulty.IsLinked() && sound.IsLinked());
    VN_Test::RecordingNode sender, local, remote;
    faulty.Attach(&sender);
    faulty.Attach(&local);
    sound.Attach(&remote);
    VN_Test::WriteFile(fault, "mute");

    EXPECT_EQ(faulty.Transmit(&sender, DataFrame(1)), 1) << "only the node of its own process";
    ASSERT_EQ(local.Frames().size(), 1U);
    EXPECT_EQ(sound.Transmit(&remote, DataFrame(2)), 1);
    ASSERT_TRUE(VN_Test::WaitFor([&] { return local.Frames().size() == 2; }, 10000));
    EXPECT_EQ(local.Frames()[1].data[0], 2);

    std::filesystem::remove(fault);
    EXPECT_EQ(faulty.Transmit(&sender, DataFrame(3)), 2);
    ASSERT_TRUE(VN_Test::WaitFor([&] { return !remote.Frames().empty(); }, 10000));
    EXPECT_EQ(remote.Frames()[0].data[0], 3) << "the muted frame never arrived";
    for (VN_Test::RecordingNode* node : {&sender, &local}) faulty.Detach(node);
    sound.Detach(&remote);
}

}  // namespace
