// The twfile Python module: query definition documents, their JSON form,
// their statements and runs, over the twfile library.
#include <pybind11/pybind11.h>

#include "condition.h"
#include "document.h"
#include "errors.h"
#include "files.h"
#include "run.h"

PYBIND11_MODULE(twfile, module) {
    module.doc() =
        "Query definition documents (.qdf): load and save their JSON form, edit them as "
        "Documents, check conditions, build and run their statements read-only.";
    twpy::CaptureMessageBoxes();
    twpy::DefineErrors(module);
    twpy::DefineFiles(module);
    twpy::DefineDocument(module);
    twpy::DefineCondition(module);
    twpy::DefineRun(module);
}
