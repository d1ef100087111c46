#pragma once
// The forms of the colour test: color_binarize takes the fastest one this build and CPU can run.
// Every form gives the same bytes; tests and benchmarks name one to compare them.

namespace cv {
class Mat;
}

namespace recog {

enum class ColourPath {
    portable,  // plain C++, no vector instructions of its own
    sse2,      // two pixels per operation (x86-64 baseline)
    avx2,      // four pixels per operation, chosen at run time
};

inline constexpr ColourPath kColourPaths[] = {ColourPath::portable, ColourPath::sse2, ColourPath::avx2};

const char* colour_path_name(ColourPath path);
// Whether this build has the form and this CPU can run it.
bool colour_path_available(ColourPath path);
// The form color_binarize takes.
ColourPath colour_path_in_use();

// color_binarize on the given form; a form that is not available falls back to the one in use.
void color_binarize_on(ColourPath path, cv::Mat& image, const float (*ref_colors)[3], int n, float th);
void color_binarize_on(ColourPath path, cv::Mat& image, const double (*ref_colors)[3], int n, double th);

}  // namespace recog
