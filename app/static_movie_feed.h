#pragma once
// Menu item 7: feeds a movie split into stills to the training tool, one colour mask per request.

namespace app {

// Shows each still of WORK_DIR/static_movie/red_corn2/ (capt3_00534.bmp, then every fifth
// number), builds the mask of its cone-coloured regions above 64 pixels and waits: a request is
// answered with the mask (saved, notify file created, request deleted) and moves on to the next
// still, so does key n without answering; q or the first missing still end the mode.
void static_movie_feed();

}  // namespace app
