#pragma once
// For tests only: the program itself never calls this. A test that shows what a new model
// takes adds its row here, as the model's row would be added to ModelTable.cpp.

#include "ModelTable.h"

namespace kvir {

// Adds `row` to the end of the model table for the rest of the process and returns it there.
// Its key must be new (neither DeviceModel::None nor a key already in the table); at most four
// rows may be added. Call it before anything reads the table on another thread.
const ModelRow& RegisterModelRowForTests(const ModelRow& row);

}  // namespace kvir
