"""The same work as bench_dbf by independent dBase implementations, where
Debian's python has them: prints "label<TAB>records<TAB>nanoseconds" lines."""
import datetime
import sys
import time

FIELDS = [("BECODIGO", "C", 13, 0), ("BENOME", "C", 32, 0), ("BELOCAL", "C", 4, 0),
          ("BEFABRICA", "C", 16, 0), ("BESITUACAO", "C", 2, 0), ("BENSERIE", "C", 16, 0),
          ("BEVALOR", "N", 12, 3), ("BECOMPRA", "D", 8, 0), ("BEULTINV", "D", 8, 0),
          ("BEULTOPE", "C", 16, 0), ("BEFLAG", "C", 1, 0)]


def report(label, records, start):
    print("%s\t%d\t%d" % (label, records, (time.perf_counter() - start) * 1e9), flush=True)


def rows():
    return [(str(7890000000000 + i), "Cadeira giratória nº %d" % i, "%04d" % (i % 200),
             "Fábrica Móveis", "01", "SN-%d" % (i * 7919), 1234.5 + i,
             datetime.date(2020, 1, 1) + datetime.timedelta(days=i), None, "Operador", None)
            for i in range(1000)]


def pyshp_write(path, count):
    import shapefile
    sample = rows()
    start = time.perf_counter()
    with open(path, "wb") as target:
        writer = shapefile.Writer(dbf=target, encoding="cp1252")
        for field in FIELDS:
            writer.field(*field)
        for i in range(count):
            writer.record(*sample[i % 1000])
        writer.close()
    report("write, pyshp (peer)", count, start)


def dbfread_read(path):
    import dbfread
    for raw in (True, False):
        start = time.perf_counter()
        count = sum(1 for _ in dbfread.DBF(path, raw=raw, encoding="cp1252"))
        report("read, dbfread %s (peer)" % ("raw mode" if raw else "parsed values"), count, start)


if __name__ == "__main__":
    ours, scratch, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
    for job in (lambda: pyshp_write(scratch, count), lambda: dbfread_read(ours)):
        try:
            job()
        except ImportError as missing:
            print("#\t%s" % missing, flush=True)
