// The PostgreSQL databases of the ODBC benchmarks (odbc_run.cpp), shared
// with the driver's floor (odbc_floor.cpp). This header includes neither the
// library's headers nor the ODBC ones: both declare the Windows types.
#ifndef TWFILE_BENCH_ODBC_DATA_H
#define TWFILE_BENCH_ODBC_DATA_H

#include <string>

namespace twbench {

// The ODBC connection string that reaches the database of rows rows, whose
// table T is made and filled unless it is there, and in document the
// document that selects all of T. An empty string when the data could not
// be made, and then document says why.
std::string OdbcDatabase(long rows, std::string& document);

}  // namespace twbench

#endif  // TWFILE_BENCH_ODBC_DATA_H
