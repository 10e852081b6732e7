// The settings Ralu gives liblinphone's core: what must be in its
// configuration before it exists, what is set on it before it starts, and
// its sound devices and codecs once it has started. On the core thread.
#pragma once

#include <memory>

namespace linphone {
class Config;
class Core;
} // namespace linphone

namespace ralu {

void prepareCoreConfig(const std::shared_ptr<linphone::Config> &config);
void configureCore(const std::shared_ptr<linphone::Core> &core);
void configureMedia(const std::shared_ptr<linphone::Core> &core);

} // namespace ralu
