# Holds the tool's layers to one direction:
#   platform <- link <- cards (no widgets)
#   platform <- link <- ui <- {setup, control, contact, contactless, tools} <- shell
#   <- automation <- app
# (tools/ is the card tools window, the one page that also uses cards/)
# A source that includes a header of a layer above its own (or of a sibling
# page) stops the build here with the file and line named. The virtual
# reader may use only the link layer's frame helpers and command table.
#
# Use: include() it and call qtest820_check_layers(SRC_DIR SIM_DIR), or run it
# as a script: cmake -DSRC_DIR=... -DSIM_DIR=... -P check_layers.cmake

cmake_policy(SET CMP0057 NEW)
set(QTEST820_LAYER_RULES
  "platform:platform"
  "link:link,platform"
  "cards:cards,link,platform"
  "ui:ui,link,platform"
  "setup:setup,ui,link,platform"
  "control:control,ui,link,platform"
  "contact:contact,ui,link,platform"
  "contactless:contactless,ui,link,platform"
  "tools:tools,cards,ui,link,platform"
  "shell:shell,setup,control,contact,contactless,tools,cards,ui,link,platform"
  "automation:automation,shell,setup,control,contact,contactless,tools,cards,ui,link,platform"
  "app:app,automation,shell,setup,control,contact,contactless,tools,cards,ui,link,platform")
set(QTEST820_SIM_MAY_INCLUDE "link/frame.h" "link/commands.h")

function(qtest820_check_layers src_dir sim_dir)
  set(problems "")
  foreach(rule IN LISTS QTEST820_LAYER_RULES)
    string(REPLACE ":" ";" parts "${rule}")
    list(GET parts 0 layer)
    list(GET parts 1 allowed)
    string(REPLACE "," ";" allowed "${allowed}")
    file(GLOB files ${src_dir}/${layer}/*.cpp ${src_dir}/${layer}/*.h)
    foreach(f IN LISTS files)
      file(STRINGS "${f}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
      foreach(line IN LISTS includes)
        if(line MATCHES "#[ \t]*include[ \t]*\"([a-z_]+)/[^\"]*\"")
          set(target "${CMAKE_MATCH_1}")
          if(NOT target IN_LIST allowed)
            list(APPEND problems "${f}: '${line}' reaches up from ${layer}/ to ${target}/")
          endif()
        elseif(line MATCHES "#[ \t]*include[ \t]*[<\"](virtual_reader|reader_model|line_protocol|pty_server|control_interpreter|fault_plan|card_slots)\\.h[>\"]"
               AND NOT layer STREQUAL "app")
          list(APPEND problems "${f}: '${line}' uses the virtual reader outside app/")
        endif()
      endforeach()
    endforeach()
  endforeach()
  if(sim_dir)
    file(GLOB_RECURSE files ${sim_dir}/*.cpp ${sim_dir}/*.h)
    foreach(f IN LISTS files)
      file(STRINGS "${f}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[a-z_]+/")
      foreach(line IN LISTS includes)
        if(line MATCHES "\"((link|platform|ui|setup|control|contact|contactless|tools|shell|automation|app)/[^\"]*)\"")
          if(NOT CMAKE_MATCH_1 IN_LIST QTEST820_SIM_MAY_INCLUDE)
            list(APPEND problems "${f}: '${line}' reaches into the tool")
          endif()
        endif()
      endforeach()
    endforeach()
  endif()
  if(problems)
    list(JOIN problems "\n  " text)
    message(FATAL_ERROR "Includes against the layer order:\n  ${text}")
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND SRC_DIR)
  qtest820_check_layers("${SRC_DIR}" "${SIM_DIR}")
endif()
