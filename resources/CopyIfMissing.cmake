# SPDX-License-Identifier: GPL-3.0-or-later
if(NOT EXISTS "${TARGET}")
    file(COPY_FILE "${SOURCE}" "${TARGET}")
endif()
