#pragma once

#include "framework/DataSet.h"

#include <string>

// What the file writers of the framework share.
namespace savesteps {

// Tells the observer set by DataSet::SetSaveStepObserver that a save reached the step.
void Reached(SaveStep step);
// Makes the renames in the folder of path durable.
void SyncFolderOf(const std::string& path);

} // namespace savesteps
