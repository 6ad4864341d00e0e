#include "tests/platform/linux/removable_media.h"

namespace velorwind_test {
namespace {

void AddDisk(const PreparedTree& tree, std::string_view number, const std::string& path,
             const char* removable) {
    tree.Write("sys/" + path + "/removable", removable);
    tree.Link("sys/dev/block/" + std::string(number), "../../" + path);
}

void AddPartition(const PreparedTree& tree, std::string_view number, const std::string& diskPath,
                  std::string_view name) {
    const std::string path = diskPath + "/" + std::string(name);
    tree.Write("sys/" + path + "/partition", "1\n");
    tree.Link("sys/dev/block/" + std::string(number), "../../" + path);
}

// An MMC host's card with its disk and first partition; `type` is the
// card's kind as the MMC core reports it.
void AddMmcCard(const PreparedTree& tree, int host, const char* type, std::string_view partition) {
    const std::string hostNumber = std::to_string(host);
    const std::string card = "devices/platform/soc/mmc" + hostNumber + "/mmc_host/mmc" +
                             hostNumber + "/mmc" + hostNumber + ":0001";
    const std::string disk = "mmcblk" + hostNumber;
    tree.Write("sys/" + card + "/type", type);
    tree.Write("sys/" + card + "/block/" + disk + "/removable", "0\n");
    tree.Link("sys/" + card + "/block/" + disk + "/device", "../../../mmc" + hostNumber + ":0001");
    AddPartition(tree, partition, card + "/block/" + disk, disk + "p1");
}

}  // namespace

void PrepareBlockDevices(const PreparedTree& tree) {
    AddMmcCard(tree, 0, "SD\n", SD_CARD);
    AddMmcCard(tree, 1, "MMC\n", EMMC);
    AddMmcCard(tree, 2, "SD", SECOND_SD_CARD);

    const std::string stick =
        "devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0/block/sdb";
    AddDisk(tree, "8:16", stick, "1\n");
    AddPartition(tree, USB_STICK, stick, "sdb1");

    const std::string ssd =
        "devices/pci0000:00/0000:00:14.0/usb3/3-1/3-1:1.0/host7/target7:0:0/7:0:0:0/block/sdc";
    AddDisk(tree, "8:32", ssd, "0\n");
    AddPartition(tree, USB_SSD, ssd, "sdc1");

    const std::string sata =
        "devices/pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/block/sda";
    AddDisk(tree, "8:0", sata, "0\n");
    AddPartition(tree, SATA_ROOT, sata, "sda1");
    AddPartition(tree, SATA_HOME, sata, "sda2");

    AddDisk(tree, FLOPPY, "devices/platform/floppy.0/block/fd0", "1\n");
    AddDisk(tree, LOOP, "devices/virtual/block/loop0", "0\n");
}

std::string MountLine(std::string_view device, std::string_view mountPoint) {
    static int id = 30;
    ++id;
    return std::to_string(id) + " 22 " + std::string(device) + " / " +
           EscapeMountPoint(mountPoint) + " rw,relatime shared:" + std::to_string(id) +
           " - vfat /dev/x rw,fmask=0022\n";
}

}  // namespace velorwind_test
