// twfile.check_condition.
#ifndef TWFILE_PYTHON_CONDITION_H
#define TWFILE_PYTHON_CONDITION_H

#include <pybind11/pybind11.h>

namespace twpy {

void DefineCondition(pybind11::module_& module);

}  // namespace twpy

#endif  // TWFILE_PYTHON_CONDITION_H
