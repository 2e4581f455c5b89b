// Outgoing events of a control. The control declares its events (name,
// dispatch id, parameters); hosts connect listeners to one event or to all of
// them. Firing calls the listeners in the order they were connected. The
// arguments are passed by reference, so a listener may write a value back
// to the firing code (the way a by-reference event parameter works).
//
// Listeners may connect or disconnect (themselves included) while an event
// is being fired: a listener disconnected during the round is not called
// afterwards, one connected during the round is first called by the next
// fire. A listener that throws does not stop the others; the fire reports it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "automation/dispatch.h"

namespace cw::automation {

struct EventDef {
  EventDef(std::string name, DispId id, std::vector<Param> params = {})
      : name(std::move(name)), id(id), params(std::move(params)) {}
  std::string name;
  DispId id = 0;
  std::vector<Param> params;  // all required; arguments are converted to their types
};

using Listener = std::function<void(Args& args)>;
using AnyListener = std::function<void(const EventDef& event, Args& args)>;
using ConnectionId = std::uint64_t;  // 0: not connected

class EventSource {
 public:
  EventSource() = default;
  EventSource(const EventSource&) = delete;
  EventSource& operator=(const EventSource&) = delete;

  // False when the name or the id is already declared.
  bool declareEvent(EventDef event);
  const std::vector<EventDef>& events() const { return events_; }

  // 0 when the event is unknown.
  ConnectionId connect(std::string_view event, Listener listener);
  ConnectionId connect(DispId event, Listener listener);
  // A listener for every event of this source.
  ConnectionId connectAny(AnyListener listener);
  bool disconnect(ConnectionId connection);
  void disconnectAll();
  std::size_t listenerCount() const;

  // Fires to the listeners of the event, in connection order. Unknown event,
  // wrong argument count or an unconvertible argument: no listener runs.
  Status fire(std::string_view event, Args& args);
  Status fire(std::string_view event, Args&& args = {});
  Status fire(DispId event, Args& args);

 private:
  struct Connection {
    ConnectionId id = 0;
    std::size_t event = 0;  // index into events_, ignored for "any" listeners
    bool any = false;
    std::shared_ptr<Listener> one;
    std::shared_ptr<AnyListener> all;
  };

  ConnectionId add(Connection connection);
  bool isConnected(ConnectionId id) const;
  Status fireAt(std::size_t event, Args& args);
  std::size_t indexOf(std::string_view name) const;  // events_.size() when unknown

  std::vector<EventDef> events_;
  std::vector<Connection> connections_;  // in connection order
  ConnectionId nextId_ = 1;
};

}  // namespace cw::automation
