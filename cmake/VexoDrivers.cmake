# The kernel drivers' images, 64-bit whatever the tree: the sources of each
# driver, and vexo_add_driver(<name> SOURCES ...), which links one image as
# the kernel loads it (native subsystem, entry DriverEntry, only the
# kernel's, the HAL's and the USB driver interface's imports). Floating
# point is refused at compile time (-mgeneral-regs-only): the kernel does
# not save the floating-point state for drivers.
set(VEXO_DRIVERS_DIR ${CMAKE_CURRENT_LIST_DIR}/../drivers)
get_filename_component(VEXO_DRIVERS_DIR ${VEXO_DRIVERS_DIR} ABSOLUTE)

# Built into the images and into the test harness alike.
set(VEXO_DRIVER_COMMON_SOURCES
    ${VEXO_DRIVERS_DIR}/common/device.c
    ${VEXO_DRIVERS_DIR}/common/devstate.c
    ${VEXO_DRIVERS_DIR}/common/instances.c)
set(VEXO_PCI_SOURCES
    ${VEXO_DRIVERS_DIR}/pci/card.c
    ${VEXO_DRIVERS_DIR}/pci/cardfloat.c
    ${VEXO_DRIVERS_DIR}/pci/lockqueue.c
    ${VEXO_DRIVERS_DIR}/pci/vexopci.c)
# The kernel build of the platform layer (the harness has its own).
set(VEXO_DRIVER_KERNEL_PLATFORM ${VEXO_DRIVERS_DIR}/common/platform_kernel.c)

set(VEXO_DRIVER_COMPILE_OPTIONS -Wall -Wextra -Werror=frame-larger-than=1024 -Wframe-larger-than=1024
    -mgeneral-regs-only -fno-stack-protector -fno-builtin)

function(vexo_add_driver name)
    cmake_parse_arguments(D "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} SHARED ${D_SOURCES})
    set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX ".sys" OUTPUT_NAME ${name}
        # Not the programs' static runtime: the kernel is the only library.
        LINK_OPTIONS "" LINK_LIBRARIES "")
    target_include_directories(${name} PRIVATE ${VEXO_DRIVERS_DIR})
    target_include_directories(${name} SYSTEM PRIVATE ${CMAKE_FIND_ROOT_PATH}/include/ddk)
    target_compile_options(${name} PRIVATE ${VEXO_DRIVER_COMPILE_OPTIONS})
    target_link_options(${name} PRIVATE -nostdlib -shared -Wl,--subsystem,native -Wl,--entry,DriverEntry)
    target_link_libraries(${name} PRIVATE ntoskrnl hal usbd)
endfunction()
