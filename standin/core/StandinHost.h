// The stand-in host's function table: a registry of implemented host functions, a call log, and
// per-test overrides. The table is process-wide, like the host's.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "HostAbi.h"

namespace standin {

struct HostCall {
  int32_t category;
  int32_t selector;
  int32_t pluginId = 0;  // the identifier the module passed with the lookup
};

class FunctionTable {
 public:
  // Registers the implementation of host C:S (type-checked against HostAbi.h).
  template <int C, int S>
  void Implement(typename HostFn<C, S>::type fn) {
    implemented_[Key(C, S)] = reinterpret_cast<void*>(fn);
  }
  // Replaces host C:S until ClearOverrides(); a test's way to inject nulls, zero counts or
  // odd values.
  template <int C, int S>
  void Override(typename HostFn<C, S>::type fn) {
    overrides_[Key(C, S)] = reinterpret_cast<void*>(fn);
  }
  void ClearOverrides() { overrides_.clear(); }

  // What the module's lookup reaches: logs the call; an unknown C:S aborts with a message,
  // since the module calls what it looks up without a null test.
  void* Lookup(int32_t category, int32_t selector, int32_t pluginId = 0);

  // The log is on by default (tests read it); a long batch run turns it off so that it does not
  // grow with every call.
  void SetLogging(bool on) { logging_ = on; }
  const std::vector<HostCall>& Log() const { return log_; }
  void ClearLog() { log_.clear(); }
  // Number of logged lookups of C:S.
  int CountCalls(int32_t category, int32_t selector) const;

 private:
  // The module looks a function up before every call.
  static uint64_t Key(int32_t category, int32_t selector) {
    return static_cast<uint64_t>(static_cast<uint32_t>(category)) << 32 | static_cast<uint32_t>(selector);
  }
  std::unordered_map<uint64_t, void*> implemented_;
  std::unordered_map<uint64_t, void*> overrides_;
  std::vector<HostCall> log_;
  bool logging_ = true;
};

// The process-wide table, with every implemented host function registered. Each program that
// links the stand-in host defines it once (core/HostTable.cpp, winhost/HostFunctions.cpp).
FunctionTable& Table();

// The HostFunctionTable record handed to the module (its lookup calls Table().Lookup).
HostFunctionTable* TableRecord();

// Tracking of handed-out objects: every object a create function hands out is recorded, and its
// release function removes it. Tests assert that nothing is left.
class ObjectTracker {
 public:
  void Created(const char* kind, const void* handle);
  // Returns false (and records a fault) when the handle was not live under that kind.
  bool Released(const char* kind, const void* handle);
  bool IsLive(const char* kind, const void* handle) const;
  // Live objects, as "kind@address" lines; empty when everything created was released.
  std::vector<std::string> Outstanding() const;
  // Releases of unknown or already-released handles.
  const std::vector<std::string>& Faults() const { return faults_; }
  void Reset();

 private:
  std::unordered_map<const void*, std::string> live_;
  std::vector<std::string> faults_;
};

ObjectTracker& Tracker();

}  // namespace standin
