#include "app/shell/app_state.h"

namespace cw::app {

AppState::AppState()
    : Reencoder(std::make_unique<Mpeg1Reencoder>()),
      Tazo1(std::make_unique<Splicer>()),
      InfoDest(std::make_unique<Probe>()),
      Operations(std::make_unique<OperationRunner>()) {
  Tazo1->setPictureReencoder(Reencoder.get());
}

namespace {
std::unique_ptr<AppState>& slot() {
  static std::unique_ptr<AppState> state = std::make_unique<AppState>();
  return state;
}
}  // namespace

AppState& appState() { return *slot(); }

void resetAppState() {
  slot().reset();
  slot() = std::make_unique<AppState>();
}

}  // namespace cw::app
