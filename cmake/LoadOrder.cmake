# The order of the libraries in the global symbol scope, for start-up time.
#
# Before main() runs, the dynamic loader binds every symbol reference of the
# ~190 libraries liblinphone and Qt bring in (about 80,000 of them). Each
# binding looks the symbol up in the global scope from its start, library by
# library, until one defines it, and the scope is in breadth-first order from
# the executable: a library deep in the tree that binds thousands of
# references to its own symbols (xerces-c, libcrypto, GLEW and belcard, all
# about 180 libraries down) pays for every library in front of it each
# time. Naming the libraries that receive the most bindings first in the
# executable's own list of needed libraries puts them at the front of the
# scope. Every reference still binds to the first definition in the scope;
# the few whose first definition moves are copies of C++ templates and type
# information (identical wherever they are), math functions both libc and
# libm export, and GLX entry points both GLVND's libGL and libGLX export.
# The lookups drop by half and the time to main() by about 20 ms
# (bench/load_order.sh ranks the libraries, lists what moves and times it).
#
# A library not found here (another distribution, another version) is left
# out; the list only orders, it never adds a library the program would not
# load anyway.
set(RALU_EARLY_LIBRARIES
  liblinphone.so.10 libxerces-c-3.2.so libc.so.6 libGLEW.so.2.2 libcrypto.so.3
  libQt6Core.so.6 libstdc++.so.6 libbellesip.so.1 libbelcard.so.1 libQt6Gui.so.6
  libglib-2.0.so.0 libmediastreamer.so.12 libsqlite3.so.0 liblinphone++.so.10 libbelr.so.1
  libmbedcrypto.so.7 libgnutls.so.30 libicuuc.so.72 libbctoolbox.so.1 libgio-2.0.so.0
  libnettle.so.8 libortp.so.16)

function(ralu_order_libraries target)
  set(_found)
  foreach(_soname ${RALU_EARLY_LIBRARIES})
    find_library(_path_${_soname} NAMES ${_soname} NO_CACHE)
    if(_path_${_soname})
      list(APPEND _found ${_path_${_soname}})
    endif()
  endforeach()
  if(_found)
    # Link options come before the objects and libraries on the link line,
    # so these are the first entries of the executable's needed list.
    target_link_options(${target} PRIVATE "LINKER:--push-state,--no-as-needed" ${_found} "LINKER:--pop-state")
  endif()
endfunction()
