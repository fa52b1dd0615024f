// A listener of both kinds for list-mode tests: it logs every call
// ("name.call", '*' appended when the status already held an error), fails
// the calls it is told to, and keeps a settings value that save and
// restore copy as a primitive would.
#ifndef VL9738K_TESTS_LISTMODE_FAKE_LISTENER_H
#define VL9738K_TESTS_LISTMODE_FAKE_LISTENER_H

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

  int requested = 0, saved = -1;
  std::map<std::string, int64_t> failures;  // by call name; 0 succeeds

  void onStartCommitSnooping(listmodek::iListInstructionInserter*, tStatus& s) override { enter("start", s); }
  void onStopCommitSnooping(tStatus& s) override { enter("stop", s); }
  void onEndCommitSnooping(tStatus& s) override { enter("end", s); }
  void saveDeployedSettings(tStatus& s) override {
    if (enter("save", s)) saved = requested;
  }
  void restoreDeployedSettings(tStatus& s) override {
    if (enter("restore", s)) requested = saved;
  }
  void onListInitiate(tStatus& s) override { enter("initiate", s); }
  void onListAbort(tStatus& s) override { enter("abort", s); }

 private:
  bool enter(const std::string& call, tStatus& s) {
    log_.push_back(name_ + "." + call + (s.isFatal() ? "*" : ""));
    if (s.isNotFatal() && failures[call] != 0) s.setCode(failures[call], "fake", "fake", 0);
    return s.isNotFatal();
  }

  std::string name_;
  std::vector<std::string>& log_;
};

}  // namespace vltest

#endif
