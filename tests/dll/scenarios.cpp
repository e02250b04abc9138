#include "host.h"

namespace host {

const std::vector<Scenario>& scenarios() {
  static const std::vector<Scenario> all = [] {
    std::vector<Scenario> list;
    for (const auto* group : {&sessionScenarios(), &recordScenarios(), &dumpScenarios(), &diagScenarios(),
                              &concurrencyScenarios(), &faultScenarios()}) {
      list.insert(list.end(), group->begin(), group->end());
    }
    return list;
  }();
  return all;
}

}  // namespace host
