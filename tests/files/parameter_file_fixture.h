#pragma once
// Shared set-up of the reader tests: a temporary work directory with the two parameter files and
// the console text printed while reading.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "files/recog_params.h"
#include "files/request_file.h"
#include "platform/console.h"
#include "tests/support/child_process.h"

class ParameterFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::set_console_encoding(platform::ConsoleEncoding::utf8);
        // A record full of recognisable values, so "unchanged" means something.
        std::memset(&rec, 0, sizeof rec);
        rec.max_pixnum = 9001;
        rec.min_pixnum = 42;
        rec.left_cam_id = 7;
        rec.color_th = 0.5f;
        rec.min_dist = 11.0f;
        rec.max_dist = 22.0f;
    }

    std::string color_path() const { return tmp.file("rk9t_color.dat"); }
    std::string request_path() const { return tmp.file("req_file.dat"); }
    void write_colors(const std::string& text) const { test_support::write_file(color_path(), text); }
    void write_request(const std::string& text) const { test_support::write_file(request_path(), text); }

    // Runs fio_read_recog_plm on rec and returns what it printed.
    std::string read(files::ParamSources sources) {
        std::string printed;
        platform::ConsoleRedirect capture(&printed);
        files::fio_read_recog_plm(&rec, color_path(), request_path(), sources);
        return printed;
    }

    test_support::TempDir tmp;
    files::RecogParams rec;
};
