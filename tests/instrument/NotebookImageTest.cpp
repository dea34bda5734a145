#include "instrument/NotebookImage.h"

#include <gtest/gtest.h>

#include <memory>

namespace kvir {
namespace {

// Every field of slot s carries a value derived from `tag`, so a field that is not moved (or
// moved from the wrong slot) shows.
void FillSlot(NotebookImage& m, int s, int tag) {
    m.folderNo[s] = static_cast<quint8>(tag);
    m.modeCode[s] = static_cast<quint8>(tag + 1);
    m.dayWord[s] = static_cast<quint16>(tag + 2);
    m.timeWord[s] = static_cast<quint16>(tag + 3);
    m.stamp[s] = tag + 4.5;
    m.value1[s] = tag + 5.25f;
    m.value2[s] = tag + 6.25f;
    m.value3[s] = tag + 7.25f;
    m.value4[s] = tag + 8.25f;
    m.orderByFolder[s] = static_cast<quint16>(tag + 9);
    m.orderByDate[s] = static_cast<quint16>(tag + 10);
}

void ExpectSlot(const NotebookImage& m, int s, int tag) {
    SCOPED_TRACE(testing::Message() << "slot " << s << " tag " << tag);
    EXPECT_EQ(m.folderNo[s], tag);
    EXPECT_EQ(m.modeCode[s], tag + 1);
    EXPECT_EQ(m.dayWord[s], tag + 2);
    EXPECT_EQ(m.timeWord[s], tag + 3);
    EXPECT_EQ(m.stamp[s], tag + 4.5);
    EXPECT_EQ(m.value1[s], tag + 5.25f);
    EXPECT_EQ(m.value2[s], tag + 6.25f);
    EXPECT_EQ(m.value3[s], tag + 7.25f);
    EXPECT_EQ(m.value4[s], tag + 8.25f);
    EXPECT_EQ(m.orderByFolder[s], tag + 9);
    EXPECT_EQ(m.orderByDate[s], tag + 10);
}

TEST(NotebookImage, CompactMovesUsedSlotsAndTheirOrderEntriesToTheFront) {
    auto m = std::make_unique<NotebookImage>();
    const int used[] = {1, 2, 5, 500, 999};
    for (const int s : used) {
        FillSlot(*m, s, 10 * (s % 20) + 3);
    }
    // A free slot with leftovers in its other fields and order entries: it must not survive.
    FillSlot(*m, 7, 40);
    m->folderNo[7] = 0;

    CompactNotebookImage(*m);

    for (int w = 0; w < 5; ++w) {
        ExpectSlot(*m, w, 10 * (used[w] % 20) + 3);
    }
    for (int s = 5; s < kNotebookSlots; ++s) {
        ASSERT_EQ(m->folderNo[s], 0) << s;
        ASSERT_EQ(m->stamp[s], 0.0) << s;
        ASSERT_EQ(m->value4[s], 0.0f) << s;
        ASSERT_EQ(m->orderByFolder[s], 0) << s;
        ASSERT_EQ(m->orderByDate[s], 0) << s;
    }
    EXPECT_EQ(RecordCount(*m), 5);
}

TEST(NotebookImage, CompactKeepsAPackedImageAsItIs) {
    auto m = std::make_unique<NotebookImage>();
    for (int s = 0; s < kNotebookSlots; ++s) {
        FillSlot(*m, s, 1 + s % 200);
    }
    CompactNotebookImage(*m);
    for (int s = 0; s < kNotebookSlots; s += 111) {
        ExpectSlot(*m, s, 1 + s % 200);
    }
    EXPECT_EQ(FirstFreeSlot(*m), kNotebookSlots);
}

TEST(NotebookImage, ClearRecordSlotFreesOneSlotOnly) {
    auto m = std::make_unique<NotebookImage>();
    FillSlot(*m, 0, 1);
    FillSlot(*m, 1, 2);
    FillSlot(*m, 2, 3);
    ClearRecordSlot(*m, 1);
    ExpectSlot(*m, 0, 1);
    ExpectSlot(*m, 2, 3);
    EXPECT_EQ(m->folderNo[1], 0);
    EXPECT_EQ(m->modeCode[1], 0);
    EXPECT_EQ(m->dayWord[1], 0);
    EXPECT_EQ(m->timeWord[1], 0);
    EXPECT_EQ(m->stamp[1], 0.0);
    EXPECT_EQ(m->value1[1], 0.0f);
    EXPECT_EQ(m->value2[1], 0.0f);
    EXPECT_EQ(m->value3[1], 0.0f);
    EXPECT_EQ(m->value4[1], 0.0f);
    EXPECT_EQ(FirstFreeSlot(*m), 1);
    // Slots outside the image are ignored.
    ClearRecordSlot(*m, -1);
    ClearRecordSlot(*m, kNotebookSlots);

    CompactNotebookImage(*m);
    ExpectSlot(*m, 1, 3);
    EXPECT_EQ(RecordCount(*m), 2);
}

}  // namespace
}  // namespace kvir
