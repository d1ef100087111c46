#pragma once
// Menu item 6: a one-shot test of the edge filter on the last saved right picture.

#include <string>

namespace app {

// Writes the absolute horizontal Sobel derivative of the input's grey version (8 bits, the input's
// size) to output_path. -1 with "画像が見つかりません" when the input can't be loaded, else 0.
int run_edge_extraction_mode(const std::string& input_path, const std::string& output_path);

}  // namespace app
