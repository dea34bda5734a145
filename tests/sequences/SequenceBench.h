#pragma once
// The simulated instrument bench (sequences run on today's date), a check of the progress
// calls, and the stored bytes of both layouts assembled here by hand (field by field, check
// word = 17 + byte sum), so that expected memory does not come from the codecs under test.

#include "common/NotebookBench.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <utility>

namespace kvir::test {

using SequenceBench = NotebookBench;

// A notebook of `model` for an instrument with notebook base `base`, with these folders and no
// records yet.
inline Notebook Blank(DeviceModel model, int base, const QStringList& folders) {
    Notebook notebook;
    notebook.model = model;
    notebook.base = base;
    notebook.folders = folders;
    return notebook;
}

using ProgressStep = std::array<int, 4>;

struct ProgressLog {
    QList<ProgressStep> steps;
    ProgressFn fn() {
        return [this](int a, int b, int c, int d) { steps.append({a, b, c, d}); };
    }
};

// What the progress window may show: both bars within their maxima, and while the maxima
// stay, the folder bar and then the record bar never move back.
inline void ExpectAdvancing(const QList<ProgressStep>& steps) {
    ASSERT_FALSE(steps.isEmpty());
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const auto [fp, fm, rp, rm] = steps[i];
        EXPECT_TRUE(fp >= 0 && fp <= fm && rp >= 0 && rp <= rm) << "step " << i;
        const ProgressStep& before = steps[std::max<qsizetype>(i - 1, 0)];
        if (before[1] == fm && before[3] == rm) {
            EXPECT_LE(std::pair(before[0], before[2]), std::pair(fp, rp)) << "step " << i;
        }
    }
}

// ---- Stored bytes, by hand ----------------------------------------------------------------

inline void AppendLe16(QByteArray& b, int v) {
    b.append(static_cast<char>(v & 0xFF)).append(static_cast<char>((v >> 8) & 0xFF));
}
inline void AppendF32(QByteArray& b, float v) {
    quint32 u = 0;
    std::memcpy(&u, &v, sizeof u);
    for (int i = 0; i < 4; ++i) {
        b.append(static_cast<char>((u >> (8 * i)) & 0xFF));
    }
}
inline QByteArray WithCheck(QByteArray b) {
    int sum = 17;
    for (const char c : b) {
        sum += static_cast<quint8>(c);
    }
    AppendLe16(b, sum & 0xFFFF);
    return b;
}

// Record k of a test notebook: every field different from record to record.
struct TestRecord {
    quint8 folder;
    quint8 mode;
    quint16 day;
    quint16 time;
    quint16 salt;
    float v1, v2, v3;
};
inline TestRecord MakeRecord(int folder, int k) {
    return {static_cast<quint8>(folder),      static_cast<quint8>(1 + k % 200),
            static_cast<quint16>(0x0100 + k), static_cast<quint16>(1800 + 7 * k),
            static_cast<quint16>(100 + k),    20.0f + 0.25f * static_cast<float>(k),
            -150.5f + static_cast<float>(k),  7.0f + 0.01f * static_cast<float>(k)};
}
inline void PutRecord(NotebookImage& m, int s, const TestRecord& r) {
    m.folderNo[s] = r.folder;
    m.modeCode[s] = r.mode;
    m.dayWord[s] = r.day;
    m.timeWord[s] = r.time;
    m.stamp[s] = 40000.0 + s;
    m.value1[s] = r.v1;
    m.value2[s] = r.v2;
    m.value3[s] = r.v3;
    m.value4[s] = static_cast<float>(r.salt) + 0.75f;  // the 210 stores it truncated
}

inline QByteArray Record510(const TestRecord& r) {
    QByteArray b(1, static_cast<char>(r.mode));
    AppendLe16(b, r.day);
    AppendLe16(b, r.time);
    AppendF32(b, r.v1);
    AppendF32(b, r.v2);
    AppendF32(b, r.v3);
    return WithCheck(b);
}
inline QByteArray Record210(int folder, const TestRecord& r) {
    QByteArray b;
    b.append(static_cast<char>(folder)).append(static_cast<char>(r.mode));
    AppendLe16(b, r.day);
    AppendLe16(b, r.time);
    AppendLe16(b, r.salt);
    AppendF32(b, r.v1);
    AppendF32(b, r.v2);
    AppendF32(b, r.v3);
    return WithCheck(b);
}
// Names here are ASCII, so their Windows-1251 bytes are their Latin-1 bytes.
inline QByteArray Header510(const char* name) {
    QByteArray b(name);
    b.append(QByteArray(16 - b.size(), static_cast<char>(0xFF)));
    return WithCheck(b);
}
inline QByteArray Entry210(int slot, const char* name) {
    QByteArray b(1, static_cast<char>(slot + 1));
    b.append(name).append('\r');
    b.append(QByteArray(18 - b.size(), static_cast<char>(0xFF)));
    return WithCheck(b);
}
// The fixed structures of the common folder, as the instrument itself writes them.
inline QByteArray CommonHeader510() {
    return QByteArray::fromHex("CEC1D9C0DF20CFC0CFCAC0FFFFFFFFFF290D");
}
inline QByteArray CommonEntry210() {
    return QByteArray::fromHex("01CEC1D9C0DF20CFC0CFCAC00DFFFFFFFFFF290D");
}

inline QByteArray JunkMemory(quint32 seed) {
    QByteArray junk(0x10000, '\0');
    quint32 x = seed;
    for (char& c : junk) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<char>(x >> 24);
    }
    return junk;
}

inline void Put(QByteArray& memory, int at, const QByteArray& bytes) {
    memory.replace(at, bytes.size(), bytes);
}
inline void Erase(QByteArray& memory, int at) {
    Put(memory, at, QByteArray(512, static_cast<char>(0xFF)));
}

}  // namespace kvir::test
