// The Slurm side of TableRunner: submits the table as one job array, follows
// its tasks through squeue and their exit-code files, and cancels with scancel.
#pragma once
#include <memory>

#include "run/tablerunner.h"

namespace run {

std::unique_ptr<TableRunner::Backend> makeSlurmBackend(TableRunner& runner);

}  // namespace run
