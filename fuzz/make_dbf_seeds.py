#!/usr/bin/python3
# Writes the seed corpus of dbf_fuzz into fuzz/corpus/dbf/ (Debian's python3-dbf).
# Run from the repository root: /usr/bin/python3 fuzz/make_dbf_seeds.py
import datetime
import os
import dbf

out = "fuzz/corpus/dbf"
os.makedirs(out, exist_ok=True)

def make(name, spec, rows, delete=()):
    path = os.path.join(out, name)
    t = dbf.Table(path, spec, codepage="cp936", dbf_type="db3")
    t.open(dbf.READ_WRITE)
    for r in rows:
        t.append(r)
    for i in delete:
        dbf.delete(t[i])
    t.close()

make("text.dbf", "CODE C(6); NAME C(8)", [("600000", "浦发银行"), ("000001", "平安")], delete=[1])
make("numbers.dbf", "AMT N(12,0); PRICE N(10,3); RATE N(6,4)",
     [(1000, 12.345, 0.0015), (-5, -0.5, None)])
make("mixed.dbf", "WTH C(7); D1 D; OK L; COST N(14,2)",
     [("P000001", datetime.date(1996, 5, 4), True, 1234.56), ("", None, None, None)])
make("memo.dbf", "CODE C(6); NOTE M", [("600000", "备注一"), ("000002", "second note")])
os.remove(os.path.join(out, "memo.dbt"))  # the fuzzer writes its own memo file
