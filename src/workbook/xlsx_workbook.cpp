#include "workbook/xlsx_workbook.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include <unistd.h>
#include <xlsxwriter.h>

#include "engine/core/text_file.h"

namespace tarvo {

namespace {

// 1980-01-01: the creation time every workbook carries, so that equal tables
// give equal bytes.
constexpr time_t FixedCreationTime = 315532800;

// libxlsxwriter writes to a named file only; this one lives in the system's
// temporary folder and is removed whatever happens.
class ScratchFile {
 public:
  ScratchFile() {
    std::error_code ec;
    auto dir = std::filesystem::temp_directory_path(ec);
    if (ec) dir = ".";
    std::string pattern = (dir / "tarvo-workbook-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd >= 0) {
      close(fd);
      path_ = name.data();
    }
  }
  ~ScratchFile() {
    if (!path_.empty()) std::remove(path_.c_str());
  }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

std::string ValidSheetName(const std::string& name) {
  std::string s;
  for (char c : name) {
    if (std::string_view("[]:*?/\\").find(c) != std::string_view::npos) c = '_';
    s += c;
  }
  if (s.size() > 31) s.resize(31);
  // A sheet name may not start or end with an apostrophe.
  if (!s.empty() && s.front() == '\'') s.front() = '_';
  if (!s.empty() && s.back() == '\'') s.back() = '_';
  return s.empty() ? std::string("Sheet") : s;
}

std::string WriteXlsxWorkbook(const std::string& path, const std::vector<TCellTable>& sheets,
                              const WorkbookProgress& progress) {
  ScratchFile scratch;
  if (scratch.Path().empty()) return "Cannot create a temporary file for the workbook";
  lxw_workbook* workbook = workbook_new(scratch.Path().c_str());
  if (workbook == nullptr) return "Cannot create the workbook";
  lxw_doc_properties properties{};
  properties.created = FixedCreationTime;
  workbook_set_properties(workbook, &properties);

  std::string error;
  const int total = static_cast<int>(sheets.size());
  for (int k = 0; k < total && error.empty(); ++k) {
    const TCellTable& table = sheets[static_cast<std::size_t>(k)];
    const std::string name = ValidSheetName(table.Name);
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, name.c_str());
    if (sheet == nullptr) {
      error = "Cannot add the sheet \"" + name + "\" (is the name repeated?)";
      break;
    }
    for (std::size_t r = 0; r < table.Rows.size() && error.empty(); ++r) {
      const auto& row = table.Rows[r];
      for (std::size_t c = 0; c < row.size(); ++c) {
        lxw_error e = LXW_NO_ERROR;
        const auto rr = static_cast<lxw_row_t>(r);
        const auto cc = static_cast<lxw_col_t>(c);
        if (const double* x = std::get_if<double>(&row[c])) {
          e = worksheet_write_number(sheet, rr, cc, *x, nullptr);
        } else if (const std::string* t = std::get_if<std::string>(&row[c])) {
          e = worksheet_write_string(sheet, rr, cc, t->c_str(), nullptr);
        } else if (const TShownNumber* shown = std::get_if<TShownNumber>(&row[c])) {
          e = worksheet_write_number(sheet, rr, cc, shown->Value, nullptr);
        }
        if (e != LXW_NO_ERROR) {
          error = std::string("Sheet \"") + name + "\": " + lxw_strerror(e);
          break;
        }
      }
    }
    if (error.empty() && progress) progress(k + 1, total);
  }
  const lxw_error closed = workbook_close(workbook);
  if (!error.empty()) return error;
  if (closed != LXW_NO_ERROR) return lxw_strerror(closed);

  std::ifstream in(scratch.Path(), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) return "Cannot read back the workbook";
  const FileReadResult written = WriteFileWhole(path, bytes);
  return written.ok ? std::string() : written.error;
}

}  // namespace tarvo
