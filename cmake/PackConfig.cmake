# tarnwick_pack_config(TARGET): after TARGET links, writes tnk.cfg beside it,
# made from src/resources/default_config.xml and enciphered for that very
# executable. The packing tool runs on the build machine, so in a cross build
# it is built natively from this same source tree.
include(ExternalProject)

set(default_config ${CMAKE_CURRENT_LIST_DIR}/../src/resources/default_config.xml)
cmake_path(NORMAL_PATH default_config)
# Cached, so that the function sees it from any directory.
set(TARNWICK_DEFAULT_CONFIG ${default_config} CACHE INTERNAL "The plain default configuration")

function(_tarnwick_host_tnkcfg out_tool out_target)
    if(NOT CMAKE_CROSSCOMPILING)
        set(${out_tool} $<TARGET_FILE:tnkcfg> PARENT_SCOPE)
        set(${out_target} tnkcfg PARENT_SCOPE)
        return()
    endif()
    set(host_dir ${CMAKE_BINARY_DIR}/host-tools)
    if(NOT TARGET tnkcfg_host)
        ExternalProject_Add(tnkcfg_host
            SOURCE_DIR ${PROJECT_SOURCE_DIR}
            BINARY_DIR ${host_dir}
            CMAKE_ARGS -DTARNWICK_TOOLS_ONLY=ON -DCMAKE_BUILD_TYPE=Release
            BUILD_COMMAND ${CMAKE_COMMAND} --build ${host_dir} --target tnkcfg
            INSTALL_COMMAND ""
            BUILD_ALWAYS ON
            BUILD_BYPRODUCTS ${host_dir}/tools/tnkcfg/tnkcfg)
    endif()
    set(${out_tool} ${host_dir}/tools/tnkcfg/tnkcfg PARENT_SCOPE)
    set(${out_target} tnkcfg_host PARENT_SCOPE)
endfunction()

function(tarnwick_pack_config target)
    _tarnwick_host_tnkcfg(tool tool_target)
    add_dependencies(${target} ${tool_target})
    # An edited default configuration relinks the target, which packs it again.
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${TARNWICK_DEFAULT_CONFIG})
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${tool} pack ${TARNWICK_DEFAULT_CONFIG}
                --exe $<TARGET_FILE:${target}>
                -o $<TARGET_FILE_DIR:${target}>/tnk.cfg --force
        COMMENT "Packing tnk.cfg for ${target}"
        VERBATIM)
endfunction()
