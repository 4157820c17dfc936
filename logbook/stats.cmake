# SPDX-License-Identifier: MIT
# The logbook's statistics: figures over a range of rounds from their score cards and marks, and
# an unofficial handicap index. Pure computation on the plain records, no SQLite and no Qt.
add_library(veldrant_logbook_stats STATIC
  ${CMAKE_CURRENT_LIST_DIR}/Card.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Handicap.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Statistics.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StatsJson.cpp)
target_link_libraries(veldrant_logbook_stats PUBLIC veldrant_rounds)
