#include "app/shell/editor_session.h"

namespace cw::app {

EditorSession::EditorSession()
    : reencoder(std::make_unique<Mpeg1Reencoder>()),
      splicer(std::make_unique<Splicer>()),
      projectProbe(std::make_unique<Probe>()),
      operations(std::make_unique<OperationRunner>()) {
  splicer->setPictureReencoder(reencoder.get());
}

}  // namespace cw::app
