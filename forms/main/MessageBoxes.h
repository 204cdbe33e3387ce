#pragma once

// Makes every user message a modal box with an OK button. Called by the forms that talk to the
// user; calling it again changes nothing.
namespace MessageBoxes {

void Install();

} // namespace MessageBoxes
