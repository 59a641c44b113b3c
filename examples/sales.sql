-- The example database that examples/sales.qdf queries: customers, products
-- and their orders. scripts/run.sh and the build make build/.../sales.db
-- from this script with the sqlite3 shell or through the library's tests.
CREATE TABLE CUSTOMERS (
    CUSTOMER_NO INTEGER PRIMARY KEY,
    NAME        VARCHAR(40) NOT NULL,
    REGION      CHAR(5) NOT NULL
);
CREATE TABLE PRODUCTS (
    PRODUCT_NO  INTEGER PRIMARY KEY,
    DESCRIPTION TEXT NOT NULL,
    PRICE       DECIMAL(10,2) NOT NULL
);
CREATE TABLE ORDERS (
    ORDER_NO    INTEGER PRIMARY KEY,
    ORDER_DATE  DATE NOT NULL,
    CUSTOMER_NO INTEGER NOT NULL REFERENCES CUSTOMERS,
    PRODUCT_NO  INTEGER NOT NULL REFERENCES PRODUCTS,
    QTY         INTEGER NOT NULL,
    AMOUNT      DECIMAL(10,2) NOT NULL
);

INSERT INTO CUSTOMERS VALUES
    (1, 'Alder & Sons', 'NORTH'),
    (2, 'Birch Ltd', 'EAST'),
    (3, 'Cedar GmbH', 'SOUTH'),
    (4, 'Damson SA', 'WEST'),
    (5, 'Elm Trading', 'NORTH'),
    (6, 'Fir O''Neill', 'EAST');

INSERT INTO PRODUCTS VALUES
    (10, 'Oak desk', 420.00),
    (11, 'Office chair', 150.00),
    (12, 'Desk lamp', 35.50),
    (13, 'Bookcase', 210.00);

-- Dates are ISO texts (YYYY-MM-DD), which compare and sort as dates. qdf
-- binds every date in this form, the document's defaults (DD.MM.YYYY)
-- included.
INSERT INTO ORDERS VALUES
    (1001, '2024-01-05', 1, 10, 1, 420.00),
    (1002, '2024-01-12', 2, 11, 4, 600.00),
    (1003, '2024-02-20', 3, 12, 2, 71.00),
    (1004, '2024-03-03', 5, 13, 1, 210.00),
    (1005, '2024-03-18', 6, 12, 2, 71.00),
    (1006, '2024-04-02', 1, 11, 2, 300.00),
    (1007, '2024-05-15', 4, 10, 2, 840.00),
    (1008, '2024-06-30', 2, 13, 3, 630.00),
    (1009, '2024-09-11', 5, 10, 1, 420.00),
    (1010, '2024-11-09', 6, 11, 1, 150.00),
    (1011, '2025-01-14', 1, 13, 1, 210.00);
