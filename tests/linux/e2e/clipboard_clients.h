// Other clients of the X11 clipboard for the tests: one that copied (it owns CLIPBOARD with
// given targets until it is killed), and image data to copy.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "e2e/desktop_session.h"

namespace axb::e2e {

// Image data (a PNG signature, then noise) large enough to need chunked transfers.
std::string pngImage();

// Another application that copied: it owns CLIPBOARD with these (target, data) pairs until it is
// killed. Nothing when it could not.
std::unique_ptr<ChildApp> copyInAnotherClient(
    const std::vector<std::pair<std::string, std::string>>& targets);

}  // namespace axb::e2e
