// Shared by the SQL layer's tests: a sales schema and query, and the
// pending error's text.
#ifndef TWFILE_TESTS_SQL_SUPPORT_H
#define TWFILE_TESTS_SQL_SUPPORT_H

#include <string>

#include <twfile/sql/query_source.h>
#include <twfile/sql/schema.h>
#include "support/support.h"

namespace twtest {

// ORDERS(ORDER_NO INTEGER, NAME TEXT, PAID BOOL, AMOUNT REAL, DAY DATE) and
// CUSTOMERS(ORDER_NO INTEGER, REGION TEXT).
inline void AddSalesSchema(twfile::sql::Schema& schema) {
    schema.AddColumn("ORDERS", "ORDER_NO", "INTEGER");
    schema.AddColumn("ORDERS", "NAME", "TEXT");
    schema.AddColumn("ORDERS", "PAID", "BOOL");
    schema.AddColumn("ORDERS", "AMOUNT", "REAL");
    schema.AddColumn("ORDERS", "DAY", "DATE");
    schema.AddColumn("CUSTOMERS", "ORDER_NO", "INTEGER");
    schema.AddColumn("CUSTOMERS", "REGION", "TEXT");
}

inline const char* SalesScript() {
    return "CREATE TABLE ORDERS (ORDER_NO INTEGER, NAME TEXT, PAID BOOL, AMOUNT REAL, DAY DATE);"
           "CREATE TABLE CUSTOMERS (ORDER_NO INTEGER, REGION TEXT);"
           "INSERT INTO ORDERS VALUES (1, 'Alder', TRUE, 10.5, '2024-01-01'),"
           " (2, 'Birch', FALSE, 200.0, '2024-02-01'), (3, 'O''Neill', TRUE, 99.0, '2024-03-01');"
           "INSERT INTO CUSTOMERS VALUES (1, 'NORTH'), (2, 'EAST'), (3, 'NORTH');";
}

// A query on ORDERS alone with the given conditions.
inline twfile::sql::QuerySource OrdersQuery(std::vector<std::string> conditions) {
    twfile::sql::QuerySource source;
    source.tables = {"ORDERS"};
    source.attributes = {"ORDERS.ORDER_NO"};
    source.conditions = std::move(conditions);
    return source;
}

}  // namespace twtest

#endif  // TWFILE_TESTS_SQL_SUPPORT_H
