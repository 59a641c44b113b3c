// twfile.sql and twfile.run.
#ifndef TWFILE_PYTHON_RUN_H
#define TWFILE_PYTHON_RUN_H

#include <pybind11/pybind11.h>

namespace twpy {

void DefineRun(pybind11::module_& module);

}  // namespace twpy

#endif  // TWFILE_PYTHON_RUN_H
