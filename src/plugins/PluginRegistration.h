#pragma once
// The application handle a plug-in receives with PluginRegisterEvents: it appends the plug-in's
// registrations to the event list with the plug-in's host object as their target.

#include <cstdint>

#include <QString>

#include "groovemangler_plugin.h"

namespace gm {

class EventList;
class PluginObject;

class PluginRegistration {
 public:
  PluginRegistration(EventList& events, PluginObject& object, gm_plugin* instance)
      : events_(events), object_(object), instance_(instance) {}

  gm_app* handle() { return reinterpret_cast<gm_app*>(this); }

  // [main-thread] A registration whose target is not the registering instance has nobody to
  // dispatch to and is dropped.
  void add(const char* zone, const char* label, std::uint32_t type, gm_plugin* target, std::uint32_t method);

 private:
  EventList& events_;
  PluginObject& object_;
  gm_plugin* const instance_;
};

}  // namespace gm
