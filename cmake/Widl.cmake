# Compiles an IDL file with widl into a C/C++ header, an IID source and a type library.
find_program(WIDL_EXECUTABLE NAMES i686-w64-mingw32-widl widl REQUIRED)
set(WINE_IDL_INCLUDE /usr/include/wine/wine/windows CACHE PATH "System IDL files (libwine-dev)")
set(WINE_TLB_DIR /usr/lib/i386-linux-gnu/wine/i386-windows CACHE PATH "Where stdole2.tlb lives")

# vesk_widl(IDL OUT_PREFIX) sets ${OUT_PREFIX}_HEADER, _IID_SOURCE and _TLB.
function(vesk_widl idl prefix)
  get_filename_component(name ${idl} NAME_WE)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/generated)
  file(MAKE_DIRECTORY ${out})
  set(header ${out}/${name}.h)
  set(iids ${out}/${name}_i.c)
  set(tlb ${out}/${name}.tlb)
  add_custom_command(
    OUTPUT ${header} ${iids} ${tlb}
    COMMAND ${WIDL_EXECUTABLE} --win32 -I ${WINE_IDL_INCLUDE} -I ${CMAKE_CURRENT_SOURCE_DIR}
            -L ${WINE_TLB_DIR} -h -H ${header} -u -U ${iids} -t -T ${tlb} ${idl}
    DEPENDS ${idl}
    COMMENT "widl ${name}.idl"
    VERBATIM)
  set(${prefix}_HEADER ${header} PARENT_SCOPE)
  set(${prefix}_IID_SOURCE ${iids} PARENT_SCOPE)
  set(${prefix}_TLB ${tlb} PARENT_SCOPE)
  set(${prefix}_DIR ${out} PARENT_SCOPE)
endfunction()
