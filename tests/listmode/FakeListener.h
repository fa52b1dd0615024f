// A listener of both kinds for list-mode tests: it logs every call it gets
// ("name.call", with a trailing '*' when the status already held an error
// and it returned at once), fails the calls it is told to, and keeps a
// settings value that save and restore copy as a primitive would.
#ifndef VL9738K_TESTS_LISTMODE_FAKE_LISTENER_H
#define VL9738K_TESTS_LISTMODE_FAKE_LISTENER_H

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "driver/listmode/iListSnoopingListener.h"
#include "driver/listmode/iListStateListener.h"

namespace vltest {

class FakeListener final : public listmodek::iListSnoopingListener, public listmodek::iListStateListener {
 public:
  using tStatus = nVLAPALS100::tStatus;

  FakeListener(std::string name, std::vector<std::string>& log) : name_(std::move(name)), log_(log) {}

  // Calls named `call` fail with `code` from now on (0: succeed again).
  void failOn(const std::string& call, int64_t code) { failures_[call] = code; }

  int requested = 0;
  int saved = -1;
  listmodek::iListInstructionInserter* inserter = nullptr;
  // Runs at every call that got through, with the call's name.
  std::function<void(const std::string&)> spy;

  void onStartCommitSnooping(listmodek::iListInstructionInserter* given, tStatus& status) override {
    if (enter("start", status)) inserter = given;
  }
  void onStopCommitSnooping(tStatus& status) override {
    if (enter("stop", status)) inserter = nullptr;
  }
  void saveDeployedSettings(tStatus& status) override {
    if (enter("save", status)) saved = requested;
  }
  void restoreDeployedSettings(tStatus& status) override {
    if (enter("restore", status)) requested = saved;
  }
  void onListInitiate(tStatus& status) override { enter("initiate", status); }
  void onListAbort(tStatus& status) override { enter("abort", status); }

 private:
  bool enter(const std::string& call, tStatus& status) {
    if (status.isFatal()) {
      log_.push_back(name_ + "." + call + "*");
      return false;
    }
    log_.push_back(name_ + "." + call);
    if (spy) spy(call);
    const int64_t code = failures_[call];
    if (code == 0) return true;
    status.setCode(code, "fake", name_.c_str(), 0);
    return false;
  }

  std::string name_;
  std::vector<std::string>& log_;
  std::map<std::string, int64_t> failures_;
};

}  // namespace vltest

#endif
