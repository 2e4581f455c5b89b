#include "automation/events.h"

#include <algorithm>
#include <exception>

namespace cw::automation {

bool EventSource::declareEvent(EventDef event) {
  for (const EventDef& known : events_)
    if (known.id == event.id || equalsNoCase(known.name, event.name)) return false;
  events_.push_back(std::move(event));
  return true;
}

std::size_t EventSource::indexOf(std::string_view name) const {
  for (std::size_t i = 0; i < events_.size(); ++i)
    if (equalsNoCase(events_[i].name, name)) return i;
  return events_.size();
}

ConnectionId EventSource::add(Connection connection) {
  connection.id = nextId_++;
  connections_.push_back(std::move(connection));
  return connections_.back().id;
}

ConnectionId EventSource::connect(std::string_view event, Listener listener) {
  std::size_t index = indexOf(event);
  if (index == events_.size() || !listener) return 0;
  return add(Connection{0, index, false, std::make_shared<Listener>(std::move(listener)), nullptr});
}

ConnectionId EventSource::connect(DispId event, Listener listener) {
  for (std::size_t i = 0; i < events_.size(); ++i)
    if (events_[i].id == event) return connect(events_[i].name, std::move(listener));
  return 0;
}

ConnectionId EventSource::connectAny(AnyListener listener) {
  if (!listener) return 0;
  return add(Connection{0, 0, true, nullptr, std::make_shared<AnyListener>(std::move(listener))});
}

bool EventSource::disconnect(ConnectionId connection) {
  auto it = std::find_if(connections_.begin(), connections_.end(),
                         [&](const Connection& c) { return c.id == connection; });
  if (it == connections_.end()) return false;
  connections_.erase(it);
  return true;
}

void EventSource::disconnectAll() { connections_.clear(); }

std::size_t EventSource::listenerCount() const { return connections_.size(); }

bool EventSource::isConnected(ConnectionId id) const {
  return std::any_of(connections_.begin(), connections_.end(),
                     [&](const Connection& c) { return c.id == id; });
}

Status EventSource::fire(std::string_view event, Args& args) {
  std::size_t index = indexOf(event);
  if (index == events_.size())
    return Status::error(kUnknownMember, "unknown event '" + std::string(event) + "'");
  return fireAt(index, args);
}

Status EventSource::fire(std::string_view event, Args&& args) { return fire(event, args); }

Status EventSource::fire(DispId event, Args& args) {
  for (std::size_t i = 0; i < events_.size(); ++i)
    if (events_[i].id == event) return fireAt(i, args);
  return Status::error(kUnknownMember, "unknown event id " + std::to_string(event));
}

Status EventSource::fireAt(std::size_t index, Args& args) {
  const EventDef event = events_[index];  // a copy: listeners may declare more events
  if (args.size() != event.params.size())
    return Status::error(kWrongArgCount, "event '" + event.name + "' takes " +
                                             std::to_string(event.params.size()) +
                                             " argument(s), got " + std::to_string(args.size()));
  for (std::size_t i = 0; i < args.size(); ++i) {
    Variant converted;
    if (int code = args[i].convertTo(event.params[i].type, converted); code != kOk)
      return conversionError(
          code, "argument '" + event.params[i].name + "' of event '" + event.name + "'",
          event.params[i].type);
    args[i] = std::move(converted);
  }

  // Snapshot: the list may change while listeners run.
  std::vector<Connection> round;
  for (const Connection& c : connections_)
    if (c.any || c.event == index) round.push_back(c);

  Status result;
  for (const Connection& c : round) {
    if (!isConnected(c.id)) continue;
    try {
      if (c.any)
        (*c.all)(event, args);
      else
        (*c.one)(args);
    } catch (const std::exception& e) {
      if (result.ok())
        result =
            Status::error(kMemberFailed, "a listener of '" + event.name + "' failed: " + e.what());
    } catch (...) {
      if (result.ok())
        result = Status::error(kMemberFailed, "a listener of '" + event.name + "' failed");
    }
  }
  return result;
}

}  // namespace cw::automation
