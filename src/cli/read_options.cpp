#include "cli/read_options.h"

#include <iostream>

#include "engine/import/file_type.h"
#include "engine/import/syscal_template.h"

namespace tarvo::cli {

namespace {

const OpenFilter* ChooseFilter(const ReadOptions& o, const std::string& file, std::string_view command) {
  if (!o.type.empty()) {
    const OpenFilter* f = FilterByTypeName(o.type);
    if (f == nullptr) {
      std::cerr << "tarvo-cli " << command << ": unknown type '" << o.type << "'; types:";
      for (const auto& known : OpenFilters) std::cerr << ' ' << known.typeName;
      std::cerr << '\n';
    }
    return f;
  }
  const OpenFilter* f = FilterByExtension(file);
  if (f == nullptr) {
    // Text exports (".txt", ".csv") fit three readers: their first line tells which.
    f = FilterByContent(file, !o.sequence.empty());
    if (f != nullptr) std::cerr << "tarvo-cli: reading " << file << " as " << f->typeName << '\n';
  }
  if (f == nullptr) {
    std::cerr << "tarvo-cli " << command << ": cannot tell the type of " << file << " from its name; give --type (";
    for (const auto& known : OpenFilters) std::cerr << (known.index > 1 ? ", " : "") << known.typeName;
    std::cerr << ")\n";
  }
  return f;
}

}  // namespace

ArgUse TakeReadOption(const std::vector<std::string>& args, std::size_t& i, ReadOptions& o,
                      std::string_view command) {
  const std::string& a = args[i];
  const auto value = [&](std::string& into) {
    if (i + 1 >= args.size()) {
      std::cerr << "tarvo-cli " << command << ": " << a << " needs a value\n";
      return ArgUse::Failed;
    }
    into = args[++i];
    return ArgUse::Taken;
  };
  if (a == "--type") return value(o.type);
  if (a == "--sequence") return value(o.sequence);
  if (a == "--missing") {
    if (value(o.missing) == ArgUse::Failed) return ArgUse::Failed;
    if (o.missing != "abort" && o.missing != "ignore") {
      std::cerr << "tarvo-cli " << command << ": --missing takes abort or ignore\n";
      return ArgUse::Failed;
    }
    return ArgUse::Taken;
  }
  if (a == "--append") {
    o.appending = true;
    return ArgUse::Taken;
  }
  if (a == "--read-only") {
    o.readOnly = true;
    return ArgUse::Taken;
  }
  if (a.rfind("--", 0) == 0) return ArgUse::NotMine;
  (o.appending ? o.appended : o.files).push_back(a);
  return ArgUse::Taken;
}

bool CheckReadOptions(const ReadOptions& o, std::string_view command) {
  if (o.files.empty()) {
    std::cerr << "tarvo-cli " << command << ": no file given\n";
    return false;
  }
  return true;
}

bool ReadFiles(const ReadOptions& o, const std::string& programDir, std::string_view command, TDataset& ds,
               OpenCommandState& state, OpenResult& result, StderrMessenger& messenger) {
  messenger.abortOrIgnore = o.missing == "ignore" ? Reply::Ignore : Reply::Abort;
  FixedFileChooser chooser;
  if (!o.sequence.empty()) chooser.file = o.sequence;
  ReadEnvironment env{messenger, programDir + "/" + TemplateFileName, &chooser};
  const ReaderTable readers = DefaultReaders();

  const auto read = [&](const std::vector<std::string>& files, OpenCaller caller) {
    const OpenFilter* filter = ChooseFilter(o, files.front(), command);
    if (filter == nullptr) return false;
    OpenRequest request;
    request.caller = caller;
    request.files = files;
    request.filterIndex = filter->index;
    request.readOnly = o.readOnly;
    const int errorsBefore = messenger.errors;
    result = RunOpenCommand(ds, state, request, readers, env);
    if (!result.loaded) {
      if (messenger.errors == errorsBefore) std::cerr << "tarvo-cli: nothing was read from " << files.front() << '\n';
      return false;
    }
    return true;
  };

  const int errorsBefore = messenger.errors;
  if (!read(o.files, OpenCaller::Open)) return false;
  if (!o.appended.empty() && !read(o.appended, OpenCaller::Append)) return false;
  // Data are loaded, yet a reader said something went wrong: the data are
  // what the rules keep of the files, not the whole files.
  messenger.readWithErrors = messenger.errors > errorsBefore;
  return true;
}

}  // namespace tarvo::cli
