#pragma once

#include <string>

namespace vmx::test {

// The independent readers the interoperability tests compare our files with
// (python3-dbf, python3-dbfread, shapelib's dbfdump, poppler's pdfinfo).
// tools/install-deps.sh installs them; where one is missing, the test that
// needs it reports a skip naming the package instead of failing or vanishing.

// Whether Debian's /usr/bin/python3 imports every module of `modules`
// ("dbf, dbfread").
bool python_imports(const std::string& modules);
// Whether `program` is on the PATH.
bool have_program(const std::string& program);

}  // namespace vmx::test
