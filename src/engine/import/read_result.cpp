#include "engine/import/read_result.h"

#include <utility>

namespace tarvo {

namespace {

// Passes every message on to the operator and keeps its text.
class KeepingMessenger final : public Messenger {
public:
  KeepingMessenger(Messenger& operatorSide, std::vector<std::string>& texts) : operator_(operatorSide), texts_(texts) {}

  Reply Show(MessageKind kind, std::string_view text, Buttons buttons) override {
    texts_.emplace_back(text);
    return operator_.Show(kind, text, buttons);
  }

private:
  Messenger& operator_;
  std::vector<std::string>& texts_;
};

}  // namespace

ReadResult RunReader(const FileReader& reader, const ReadSource& source, const TDataset& live, ReadEnvironment& env) {
  ReadResult result;
  result.data = live;
  result.data.Points.Release();
  result.data.Observers.clear();
  result.data.FileName = source.fileName;
  KeepingMessenger messenger(env.messenger, result.messages);
  ReadEnvironment readerEnv{messenger, env.templatePath, env.chooser, env.numbers};
  result.read = reader(source, result.data, readerEnv);
  return result;
}

void CommitRead(TDataset& live, ReadResult&& result) {
  std::vector<DatasetObserver*> observers = std::move(live.Observers);
  live = std::move(result.data);
  live.Observers = std::move(observers);
}

bool ReadIntoDataset(TDataset& ds, const FileReader& reader, const ReadSource& source, ReadEnvironment& env) {
  ReadResult result = RunReader(reader, source, ds, env);
  if (result.read) {
    CommitRead(ds, std::move(result));
    return true;
  }
  LeaveNothingLoaded(ds);
  return false;
}

void LeaveNothingLoaded(TDataset& ds) {
  ds.DataKind = DataKindNone;
  ds.Points.Release();
  ds.PointCount = 0;
  ds.Quads.Release();
  ds.SyscalRaw.Release();
  ds.SetCount = 0;
  ds.TimeSetCount = 0;
  ds.HasIP = false;
  ds.HasSP = false;
  ds.IPWindowCount = 0;
  ds.IPWindowTimes = TIPWindowTimes{};
  ds.HasErrors = false;
}

}  // namespace tarvo
