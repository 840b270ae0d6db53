"""Independent dBase reader and writer for the interoperability tests.

read PATH   prints the table as dbfread sees it, as JSON
write PATH  writes a table with python's dbf module
"""
import datetime
import json
import sys


def read(path):
    import dbfread
    table = dbfread.DBF(path, encoding="cp1252")
    fields = [[f.name, f.type, f.length, f.decimal_count] for f in table.fields]
    records = []
    for record in table:
        row = []
        for value in record.values():
            if isinstance(value, datetime.date):
                value = value.strftime("%Y%m%d")
            elif value is not None and not isinstance(value, (str, bool, int, float)):
                value = float(value)
            row.append(value)
        records.append(row)
    print(json.dumps({"count": len(table), "fields": fields, "records": records}))


def write(path):
    import dbf
    table = dbf.Table(path, "NOME C(20); VALOR N(12,3); DATA D; ATIVO L; QTD N(5,0)",
                      codepage="cp1252", dbf_type="db3")
    table.open(dbf.READ_WRITE)
    table.append(("Situação €", 1234.5, datetime.date(2024, 2, 29), True, 42))
    table.append(("apagado", 1, None, False, 1))
    dbf.delete(table[-1])
    table.append(("  espaços", -0.25, None, False, -7))
    table.close()


if __name__ == "__main__":
    {"read": read, "write": write}[sys.argv[1]](sys.argv[2])
